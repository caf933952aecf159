#include "data/Transfer.h"

#include <cstdint>
#include <utility>

#include "data/ItemTable.h"
#include "platform/Logging.h"
#include "link/PlsCodes.h"
#include "timing/PlsCommands.h"

namespace voran {

namespace {

// The configuration array of a download, 24 entries: program number, speed
// compensation of channels 0 to 3, 0, channels 4 to 7, zeros, and the
// channel count as entry 18.
std::array<int, 24> DownloadConfig(const SetupData& data) {
    std::array<int, 24> cfg{};
    cfg[0] = data.PLSProgram;
    for (int k = 0; k < 4; ++k) cfg[1 + k] = data.SpeedComp[k];
    for (int k = 4; k < 8; ++k) cfg[2 + k] = data.SpeedComp[k];
    cfg[18] = data.ChannelCount;
    return cfg;
}

// The PLS part of a record checked for travel: every configuration entry in
// one byte, the scale factor a positive word, no negative setpoint. Gives the
// operator's message naming the first field and value that cannot travel,
// or an empty text.
std::string CheckDownloadable(const SetupData& data) {
    const std::string closing = "\r\n\r\nNothing has been sent to the PLC.";
    auto byteRange = [&](const std::string& field, int value) -> std::string {
        if (value >= 0 && value <= 255) return {};
        return field + " is " + std::to_string(value) + "; it must lie between 0 and 255." +
               closing;
    };
    std::string why = byteRange("PLS program number", data.PLSProgram);
    if (why.empty()) why = byteRange("Channel count", data.ChannelCount);
    for (int k = 0; k < 8 && why.empty(); ++k)
        why =
            byteRange("Speed compensation of channel " + std::to_string(k + 1), data.SpeedComp[k]);
    if (why.empty() && data.ScaleFactor < 1)
        why = "Scale factor is " + std::to_string(data.ScaleFactor) +
              "; it must be greater than 0." + closing;
    for (int ch = 0; ch < 8 && why.empty(); ++ch) {
        for (int s = 0; s < 2 && why.empty(); ++s) {
            if (data.Setpoint[ch][s] < 0)
                why = std::string(s == 0 ? "ON" : "OFF") + " setpoint of channel " +
                      std::to_string(ch + 1) + " is " + std::to_string(data.Setpoint[ch][s]) +
                      "; it must not be less than 0." + closing;
        }
    }
    return why;
}

// Runs `op` on a transaction of its own, once more when it failed without a
// link fault (a lost or late byte); false when the link is held elsewhere.
template <class Op>
bool twice(RSComm& link, Op op) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto t = link.begin();
        if (!t) return false;
        if (op(*t, attempt)) return true;
        if (link.CommError) return false;
    }
    return false;
}

}  // namespace

std::string AddressTableDifferences(const SetupData& data) {
    SetupTables standard;
    standard.BuildDefaults(DateTime{});
    const std::vector<std::string>& table = standard.DefaultData.Address;
    std::string list;
    for (int i = 0; i <= LastItemIndex; ++i) {
        const std::string has =
            i < static_cast<int>(data.Address.size()) ? data.Address[i] : std::string();
        if (has == table[i]) continue;
        list += "item " + std::to_string(i) + ": \"" + has + "\", the item table has \"" +
                table[i] + "\"\n";
    }
    return list;
}

DataTransfer::DataTransfer(RSComm& link, SetupTables& tables, TransferHooks hooks)
    : link_(link), tables_(tables), hooks_(std::move(hooks)) {}

void DataTransfer::doEvents() {
    if (hooks_.doEvents) hooks_.doEvents();
}

void DataTransfer::advance(int steps) {
    steps_ += steps;
    if (hooks_.advance) hooks_.advance(steps);
}

void DataTransfer::status(const std::string& text) {
    if (hooks_.status) hooks_.status(text);
}

TransferReport DataTransfer::RunTransfer(TransferDirection direction, TransferItems items) {
    return run(direction, tables_.CurrentData, items);
}

TransferReport DataTransfer::ReadBoard(SetupData& board) {
    SetupData read = tables_.CurrentData;
    const TransferReport report = run(TransferDirection::Upload, read);
    if (report.complete()) board = std::move(read);
    return report;
}

TransferReport DataTransfer::run(TransferDirection direction, SetupData& readInto,
                                 TransferItems items) {
    TransferReport report;
    report.direction = direction;
    plsFailed_ = false;
    steps_ = 0;
    const bool upload = direction == TransferDirection::Upload;
    // The shift counts stay in the board when only the set-up goes down.
    const bool keepShiftData = !upload && items == TransferItems::SetUpOnly;
    // An upload reads into a scratch record; a download sends CurrentData.
    SetupData scratch = tables_.CurrentData;
    const SetupData& data = upload ? scratch : tables_.CurrentData;

    if (!upload) {
        // A value that cannot travel is refused before the first byte.
        report.refusal = CheckDownloadable(data);
        if (!report.refusal.empty()) {
            report.refused = true;
            link_.messages().show(report.refusal, "Data Download", MsgButtons::Ok,
                                  MsgIcon::Exclamation);
            return report;
        }
        // So is an address table that is not the program's own, unless the
        // operator accepts it.
        const std::string differences = AddressTableDifferences(data);
        if (!differences.empty() &&
            !(hooks_.acceptAddresses && hooks_.acceptAddresses(differences))) {
            report.refused = true;
            report.refusal =
                "the address table differs from the program's item table:\r\n" + differences;
            return report;
        }
    }
    qCInfo(lcData) << (upload ? "upload" : "download") << "started";

    for (int i = 0; i <= LastItemIndex; ++i) {
        doEvents();
        if (hooks_.cancelRequested && hooks_.cancelRequested()) {
            report.cancelled = true;
            break;
        }
        if (link_.CommError) break;
        const std::string& address = data.Address[i];
        // An item without an address (a short table padded) is neither read
        // nor written: its empty text would decode to byte 32.
        const bool passedOver = keepShiftData && items::kShiftData.contains(i);
        if (!address.empty() && !passedOver) {
            bool ok = false;
            if (upload) {
                const std::string reply =
                    InTransaction(link_, [&](RSComm::Transaction& t) { return t.read(address); });
                ok = !reply.empty();
                if (ok) scratch.Value[i] = ReplyToValue(reply);
            } else {
                ok = link_.RSWrite(address, std::to_string(data.Value[i]));
            }
            if (!ok) {
                // Counted as reached, as a link fault's item always was.
                ++report.items;
                if (!link_.CommError) {
                    report.itemFailed = true;
                    report.failedItem = i;
                    qCWarning(lcData) << "item" << i << address.c_str() << "failed";
                }
                break;
            }
        }
        ++report.items;
        advance(1);
    }

    // The PLS phase runs whether the items ended normally or by cancel. It
    // returns at once on a standing link fault, and nothing more goes out
    // after an item the board did not take.
    if (report.itemFailed) {
        plsFailed_ = false;
    } else if (upload) {
        UploadTimingChannels(scratch);
    } else {
        DownloadTimingChannels(data);
    }

    report.linkFault = link_.CommError;
    report.plsFailed = plsFailed_;
    report.steps = steps_;
    if (upload && report.complete()) {
        // Only what was read is taken; the address table, version and stamp
        // stay those of the record read into.
        readInto.Value = scratch.Value;
        readInto.ChannelCount = scratch.ChannelCount;
        readInto.PLSProgram = scratch.PLSProgram;
        readInto.SpeedComp = scratch.SpeedComp;
        readInto.ScaleFactor = scratch.ScaleFactor;
        readInto.ResolverOffset = scratch.ResolverOffset;
        readInto.Setpoint = scratch.Setpoint;
    }
    qCInfo(lcData) << "transfer ended: items" << report.items << "steps" << report.steps
                   << "cancelled" << report.cancelled << "link fault" << report.linkFault
                   << "item failed" << report.itemFailed << "PLS failed" << report.plsFailed;
    return report;
}

void DataTransfer::UploadTimingChannels(SetupData& data) {
    if (link_.CommError) return;
    status("Uploading Timing Channels, Please Standby...");
    doEvents();

    // Each value is taken only from a read that went through.
    std::array<int, 19> cfg{};
    const bool configOk = twice(link_, [&](RSComm::Transaction& t, int attempt) {
        // The second attempt says so when it cannot.
        const auto read =
            attempt == 0 ? pls::configRead(t, pls::kConfigRead) : pls::PLSConfigUpload(t);
        if (read) cfg = *read;
        return read.has_value();
    });
    int scaleFactor = 0, offset = 0;
    const auto readWord = [&](int code, int* value) {
        return twice(link_, [&](RSComm::Transaction& t, int) {
            const std::optional<int> word = pls::readWord(t, code);
            if (word) *value = *word;
            return word.has_value();
        });
    };
    if (!configOk || !readWord(pls::kReadScaleFactor, &scaleFactor) ||
        !readWord(pls::kReadOffset, &offset)) {
        plsFailed_ = true;
        return;
    }
    data.ChannelCount = static_cast<std::int16_t>(cfg[0]);
    data.PLSProgram = static_cast<std::int16_t>(cfg[1]);
    for (int k = 0; k < 8; ++k) data.SpeedComp[k] = static_cast<std::int16_t>(cfg[2 + k]);
    data.ScaleFactor = static_cast<std::int16_t>(scaleFactor);
    data.ResolverOffset = static_cast<std::int16_t>(offset);

    for (int ch = 0; ch < 8; ++ch) {
        doEvents();
        if (link_.CommError || plsFailed_) return;
        if (!uploadChannel(data, ch)) plsFailed_ = true;
    }
}

// One recall returns one setpoint; its state tells which. A second recall
// gives the other one; a channel found unprogrammed gets 0/0 and no second
// recall. Both setpoints of a programmed channel must have been seen.
bool DataTransfer::uploadChannel(SetupData& data, int ch) {
    bool gotOn = false, gotOff = false;
    std::array<std::int16_t, 2> setpoint = data.Setpoint[ch];
    for (int j = 0; j < 3; ++j) {
        if (link_.CommError) return false;
        if (j < 2) advance(1);
        int state = 0, pos = 0;
        if (!twice(link_, [&](RSComm::Transaction& t, int) {
                const auto recall = pls::RecallChannel(t, ch);
                if (!recall) return false;
                state = recall->state;
                pos = recall->position;
                return true;
            }))
            return false;
        if (state == 1) {
            setpoint[0] = static_cast<std::int16_t>(pos);
            gotOn = true;
        } else if (state == 0) {
            setpoint[1] = static_cast<std::int16_t>(pos);
            gotOff = true;
        } else {
            // Not programmed: both setpoints 0, no second recall.
            data.Setpoint[ch] = {0, 0};
            if (j < 2) advance(1);
            return true;
        }
        if (gotOn && gotOff) {
            data.Setpoint[ch] = setpoint;
            return true;
        }
        // Two recalls gave the same setpoint (one was tried twice after a
        // lost byte): a third gives the other.
    }
    return false;
}

void DataTransfer::DownloadTimingChannels(const SetupData& data) {
    if (link_.CommError) return;
    status("Downloading Timing Channels, Please Standby...");
    doEvents();

    // A PLS write cut by a lost byte is sent once more: the board dropped
    // the broken frame, and a frame sent twice programs the same.
    const auto again = [&](auto op) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            auto t = link_.begin();
            if (!t) return false;
            if (op(*t)) return true;
            if (link_.CommError || !t->interrupted()) return false;
        }
        return false;
    };
    const std::array<int, 24> config = DownloadConfig(data);
    if (!again([&](RSComm::Transaction& t) {
            return pls::PLSConfigDownload(t, config, data.ScaleFactor);
        }))
        plsFailed_ = true;

    for (int ch = 0; ch < 8; ++ch) {
        doEvents();
        if (link_.CommError) break;
        const int on = data.Setpoint[ch][0];
        const int off = data.Setpoint[ch][1];
        // A channel not in use is cleared in the board, not programmed.
        const bool ok = again([&](RSComm::Transaction& t) {
            return on != 0 || off != 0 ? pls::SingleSetpoint(t, ch, on, off, true)
                                       : pls::ClearPLSChan(t, ch);
        });
        if (!ok) {
            plsFailed_ = true;
            break;
        }
        advance(2);
    }
    tables_.PLSConfigChanged = true;
}

}  // namespace voran
