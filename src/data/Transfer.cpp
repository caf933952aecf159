#include "data/Transfer.h"

#include <cstdint>

#include "platform/Logging.h"

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

}  // namespace

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

TransferReport DataTransfer::RunTransfer(int mode) {
    TransferReport report;
    report.mode = mode;
    plsFailed_ = false;
    steps_ = 0;
    const bool upload = mode < 10;
    SetupData& data = tables_.CurrentData;

    if (!upload) {
        // A value that cannot travel is refused before the first byte.
        report.refusal = CheckDownloadable(data);
        if (!report.refusal.empty()) {
            report.refused = true;
            link_.messages().show(report.refusal, "Data Download", MsgButtons::Ok,
                                  MsgIcon::Exclamation);
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
        if (upload) {
            data.Value[i] = ReplyToValue(link_.RSRead(data.Address[i]));
        } else {
            link_.RSWrite(data.Address[i], std::to_string(data.Value[i]));
        }
        ++report.items;
        advance(1);
    }

    // The PLS phase runs whether the items ended normally, by cancel or by a
    // link fault; it returns at once on a standing link fault.
    if (upload)
        UploadTimingChannels();
    else
        DownloadTimingChannels();

    report.linkFault = link_.CommError;
    report.plsFailed = plsFailed_;
    report.steps = steps_;
    qCInfo(lcData) << "transfer ended: items" << report.items << "steps" << report.steps
                   << "cancelled" << report.cancelled << "link fault" << report.linkFault
                   << "PLS failed" << report.plsFailed;
    return report;
}

void DataTransfer::UploadTimingChannels() {
    if (link_.CommError) return;
    status("Uploading Timing Channels, Please Standby...");
    doEvents();
    SetupData& data = tables_.CurrentData;

    const std::array<int, 19> cfg = link_.PLSConfigUpload();
    if (!link_.CommError) {
        data.ChannelCount = static_cast<std::int16_t>(cfg[0]);
        data.PLSProgram = static_cast<std::int16_t>(cfg[1]);
        for (int k = 0; k < 8; ++k) data.SpeedComp[k] = static_cast<std::int16_t>(cfg[2 + k]);
    }
    if (!link_.CommError)
        data.ScaleFactor = static_cast<std::int16_t>(ReplyToValue(link_.PLSScaleFactor()));
    if (!link_.CommError)
        data.ResolverOffset = static_cast<std::int16_t>(ReplyToValue(link_.PLSOffset()));
    if (link_.CommError) return;

    for (int ch = 0; ch < 8; ++ch) {
        doEvents();
        if (link_.CommError || plsFailed_) return;
        // One recall returns one setpoint; its state tells which. A second
        // recall gives the other one.
        for (int j = 0; j < 2; ++j) {
            if (link_.CommError || plsFailed_) break;
            advance(1);
            if (!link_.RecallChannel(ch)) {
                plsFailed_ = true;
                continue;
            }
            const int state = link_.ChannelRecallState();
            const auto pos = static_cast<std::int16_t>(link_.ChannelRecallPos());
            if (state == 1) {
                data.Setpoint[ch][0] = pos;
            } else if (state == 0) {
                data.Setpoint[ch][1] = pos;
            } else {
                // Not programmed: both setpoints 0, no second recall.
                data.Setpoint[ch] = {0, 0};
                advance(1);
                break;
            }
        }
    }
}

void DataTransfer::DownloadTimingChannels() {
    if (link_.CommError) return;
    status("Downloading Timing Channels, Please Standby...");
    doEvents();
    const SetupData& data = tables_.CurrentData;

    if (!link_.PLSConfigDownload(DownloadConfig(data), data.ScaleFactor)) plsFailed_ = true;

    for (int ch = 0; ch < 8; ++ch) {
        doEvents();
        if (link_.CommError) break;
        const int on = data.Setpoint[ch][0];
        const int off = data.Setpoint[ch][1];
        if (on != 0 || off != 0) {
            if (!link_.SingleSetpoint(ch, on, off, true)) {
                plsFailed_ = true;
                break;
            }
        } else if (!link_.ClearPLSChan(ch)) {
            // A channel not in use is cleared in the board, not programmed.
            plsFailed_ = true;
            break;
        }
        advance(2);
    }
    tables_.PLSConfigChanged = true;
}

}  // namespace voran
