// The PLS (programmable limit switch) commands, worked on a transaction of
// the link (see PlsCommands.h).

#include "timing/PlsCommands.h"

#include <optional>
#include <string>

#include "link/PlsCodes.h"

namespace voran::pls {

namespace {

// A frame cut by a lost or late byte (which the board dropped) is sent once
// more; a refusal or a link fault is not.
template <class Op>
bool sentOnceMore(RSComm::Transaction& t, Op op) {
    return op() || (t.interrupted() && op());
}

std::string numberText(int value) {
    return std::to_string(value);
}

// A value that must travel in one byte.
bool fitsByte(int value) {
    return value >= 0 && value <= 255;
}

}  // namespace

// --- Live values ---------------------------------------------------------

std::optional<int> PLSScaleFactor(RSComm::Transaction& t) {
    return readWord(t, kReadScaleFactor);
}
std::optional<int> PLSOffset(RSComm::Transaction& t) {
    return readWord(t, kReadOffset);
}
std::optional<int> PLSPos(RSComm::Transaction& t) {
    return readWord(t, kReadPosition);
}
std::optional<int> PLSRpm(RSComm::Transaction& t) {
    return readWord(t, kReadRpm);
}

// --- Channels ------------------------------------------------------------

bool SingleSetpoint(RSComm::Transaction& t, int chan, int onSetpoint, int offSetpoint,
                    bool clearChan) {
    const std::string title = "PLS Single Setpoint";
    const std::string closing = "\r\n\r\nChannel can not be programmed.";
    if (t.failed()) return false;

    // Values that cannot travel are refused before the first byte is sent.
    if (!fitsByte(chan)) {
        t.messages().show("Channel number " + numberText(chan) + " is outside 0 to 255." + closing,
                          title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (onSetpoint < 0 || offSetpoint < 0) {
        const bool on = onSetpoint < 0;
        t.messages().show(std::string(on ? "ON" : "OFF") + " setpoint " +
                              numberText(on ? onSetpoint : offSetpoint) + " of channel " +
                              numberText(chan + 1) + " is less than 0." + closing,
                          title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    std::optional<int> read = readWord(t, kReadScaleFactor);
    if (!read && t.interrupted()) read = readWord(t, kReadScaleFactor);
    if (t.failed() || !read) return false;
    const int sf = *read;

    // The ON setpoint is tested first; only one message is shown.
    int offending = -1;
    if (onSetpoint > sf - 1)
        offending = onSetpoint;
    else if (offSetpoint > sf - 1)
        offending = offSetpoint;
    if (offending >= 0) {
        t.messages().show("Setpoint setting " + numberText(offending) +
                              " is greater than scale factor." + closing,
                          title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    if (clearChan) {
        if (!sentOnceMore(t, [&] { return channelFrame(t, kChannelFrame, chan, 0, 0, 0); }) ||
            t.failed())
            return false;
    }
    return sentOnceMore(
        t, [&] { return channelFrame(t, kChannelFrame, chan, onSetpoint, offSetpoint, 1); });
}

// The transactions refuse a channel number outside a byte without sending.
bool ClearPLSChan(RSComm::Transaction& t, int chan) {
    return sentOnceMore(t, [&] { return channelFrame(t, kChannelFrame, chan, 0, 0, 0); });
}

std::optional<Recall> RecallChannel(RSComm::Transaction& t, int chan) {
    return recallRead(t, chan);
}

// --- Resolver offset -------------------------------------------------------

bool SetPLSOffset(RSComm::Transaction& t, int position) {
    const std::string title = "Set PLS Offset";
    const std::string closing = "\r\n\r\nPLS Offset will not be Programmed.";
    if (t.failed()) return false;

    const std::optional<int> off = readWord(t, kReadOffset);
    if (t.failed() || !off) return false;
    const std::optional<int> pos = readWord(t, kReadPosition);
    if (t.failed() || !pos) return false;
    const std::optional<int> read = readWord(t, kReadScaleFactor);
    if (t.failed() || !read) return false;
    const int sf = *read;

    if (position > sf) {
        t.messages().show("Desired Position cannot be greater than Scale Factor of " +
                              numberText(sf) + "." + closing,
                          title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    // A board reporting a scale factor of 0 has no positions to divide by.
    if (sf <= 0) {
        t.messages().show("The PLS reports a Scale Factor of " + numberText(sf) + "." + closing,
                          title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    // The offset that makes the machine's present position read `position`;
    // with off and pos read from the board and position <= sf it lies in
    // 0 .. sf - 1.
    const int newOffset = ((*off + *pos) % sf + sf - position) % sf;
    return writeWord(t, kWriteOffset, newOffset);
}

// --- Configuration block -------------------------------------------------

bool PLSConfigDownload(RSComm::Transaction& t, const std::array<int, 24>& cfgParam,
                       int scaleFactor) {
    const std::string title = "PLS Configuration Download";
    const std::string closing = "\r\n\r\nPLS Configuration will not be Downloaded.";

    // Every entry travels in one byte and the scale factor in one word: a
    // value that cannot is refused before block 0 goes out, never truncated.
    for (int k = 0; k < 24; ++k) {
        if (!fitsByte(cfgParam[k])) {
            t.messages().show("Configuration entry " + numberText(k) + " holds " +
                                  numberText(cfgParam[k]) + ", outside 0 to 255." + closing,
                              title, MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
    }
    if (scaleFactor < 1 || scaleFactor > 65535) {
        t.messages().show(
            "Scale Factor " + numberText(scaleFactor) + " is outside 1 to 65535." + closing, title,
            MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    for (int block = 0; block < 4; ++block) {
        std::array<int, 6> bytes{};
        for (int k = 0; k < 6; ++k) bytes[k] = cfgParam[6 * block + k];
        if (!sentOnceMore(t, [&] { return blockWrite(t, kConfigBlock[block], bytes); }))
            return false;
    }
    return sentOnceMore(t, [&] { return writeWord(t, kWriteScaleFactor, scaleFactor); });
}

std::optional<std::array<int, 19>> PLSConfigUpload(RSComm::Transaction& t) {
    const auto config = configRead(t, kConfigRead);
    if (!config) {
        t.messages().show("Not able to Upload Configuration from PLS.", "PLS Upload",
                          MsgButtons::Ok, MsgIcon::Exclamation);
    }
    return config;
}

}  // namespace voran::pls
