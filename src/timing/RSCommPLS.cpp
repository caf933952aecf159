// The PLS (programmable limit switch) commands of the link. The PLS is
// addressed only through one-byte command codes; every operation here is
// built from the command transactions of RSComm.cpp (ReadWord, WriteWord,
// ChannelFrame, BlockWrite, ConfigRead, RecallRead).

#include <string>

#include "link/RSComm.h"
#include "timing/PlsCodes.h"

namespace voran {

namespace {

constexpr const char* kCrLf2 = "\r\n\r\n";

std::string numberText(int value) {
    return std::to_string(value);
}

// A value that must travel in one byte.
bool fitsByte(int value) {
    return value >= 0 && value <= 255;
}

}  // namespace

// --- Live values ---------------------------------------------------------

// ReadWord holds the link for its transaction and gives -9999 on failure,
// also when the link is busy or closed.
std::string RSComm::PLSScaleFactor() {
    return numberText(ReadWord(pls::kReadScaleFactor));
}
std::string RSComm::PLSOffset() {
    return numberText(ReadWord(pls::kReadOffset));
}
std::string RSComm::PLSPos() {
    return numberText(ReadWord(pls::kReadPosition));
}
std::string RSComm::PLSRpm() {
    return numberText(ReadWord(pls::kReadRpm));
}

// Each operation below holds the link from its first byte to its last
// message box, so a timer that fires inside a box finds the link busy.
#define VORAN_HOLD_OR(failure) \
    Hold hold(*this);          \
    if (!hold.acquired()) return failure

// --- Channels ------------------------------------------------------------

bool RSComm::SingleSetpoint(int chan, int onSetpoint, int offSetpoint, bool clearChan) {
    VORAN_HOLD_OR(false);
    const std::string title = "PLS Single Setpoint";
    const std::string closing = std::string(kCrLf2) + "Channel can not be programmed.";
    if (CommError) return false;

    // Values that cannot travel are refused before the first byte is sent.
    if (!fitsByte(chan)) {
        messages_.show("Channel number " + numberText(chan) + " is outside 0 to 255." + closing,
                       title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (onSetpoint < 0 || offSetpoint < 0) {
        const bool on = onSetpoint < 0;
        messages_.show(std::string(on ? "ON" : "OFF") + " setpoint " +
                           numberText(on ? onSetpoint : offSetpoint) + " of channel " +
                           numberText(chan + 1) + " is less than 0." + closing,
                       title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    const int sf = readWordHeld(pls::kReadScaleFactor);
    if (CommError || sf == -9999) return false;

    // The ON setpoint is tested first; only one message is shown.
    int offending = -1;
    if (onSetpoint > sf - 1)
        offending = onSetpoint;
    else if (offSetpoint > sf - 1)
        offending = offSetpoint;
    if (offending >= 0) {
        messages_.show("Setpoint setting " + numberText(offending) +
                           " is greater than scale factor." + closing,
                       title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    if (clearChan) {
        if (!channelFrameHeld(pls::kChannelFrame, chan, 0, 0, 0) || CommError) return false;
    }
    return channelFrameHeld(pls::kChannelFrame, chan, onSetpoint, offSetpoint, 1);
}

// The transactions refuse a channel number outside a byte without sending.
bool RSComm::ClearPLSChan(int chan) {
    return ChannelFrame(pls::kChannelFrame, chan, 0, 0, 0);
}

bool RSComm::RecallChannel(int chan) {
    return RecallRead(chan);
}

bool RSComm::PulseTrain(int chan, int onDivision, int offDivision, int startDivision) {
    VORAN_HOLD_OR(false);
    const std::string title = "PLS Pulse Train";
    const std::string closing = std::string(kCrLf2) + "PLS Channel will not be Programmed.";
    auto refuse = [&](const std::string& text) {
        messages_.show(text + closing, title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    };

    const int sf = readWordHeld(pls::kReadScaleFactor);
    if (CommError || sf == -9999) return false;

    // A negative division is refused with the zero case: both must be
    // positive, which also keeps their sum away from zero below.
    if (onDivision <= 0 || offDivision <= 0)
        return refuse("ON Division and OFF Division Must be Greater Than 0.");
    if (sf % (onDivision + offDivision) != 0)
        return refuse("ON Division Plus OFF Division\r\nMust be a Multiple of " + numberText(sf) +
                      ".");
    if (onDivision > 255 || offDivision > 255)
        return refuse("ON Division and OFF Division Must Not Be Greater Than 255.");
    if (startDivision > sf - 1)
        return refuse("Start Position Must Not Be Greater Than " + numberText(sf - 1) + ".");
    if (startDivision < 0) return refuse("Start Position Must Not Be Less Than 0.");
    if (!fitsByte(chan))
        return refuse("Channel number " + numberText(chan) + " is outside 0 to 255.");

    const std::int32_t widths = offDivision * 256 + onDivision;
    if (!channelFrameHeld(pls::kPulseTrain, chan, startDivision, widths, 0)) {
        messages_.show("Error Encountered while Programming Pulse Train." + closing, title,
                       MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    return !CommError;
}

// --- Resolver offset -------------------------------------------------------

bool RSComm::SetPLSOffset(int position) {
    VORAN_HOLD_OR(false);
    const std::string title = "Set PLS Offset";
    const std::string closing = std::string(kCrLf2) + "PLS Offset will not be Programmed.";
    if (CommError) return false;

    const int off = readWordHeld(pls::kReadOffset);
    if (CommError || off == -9999) return false;
    const int pos = readWordHeld(pls::kReadPosition);
    if (CommError || pos == -9999) return false;
    const int sf = readWordHeld(pls::kReadScaleFactor);
    if (CommError || sf == -9999) return false;

    if (position > sf) {
        messages_.show("Desired Position cannot be greater than Scale Factor of " + numberText(sf) +
                           "." + closing,
                       title, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    // A board reporting a scale factor of 0 has no positions to divide by.
    if (sf <= 0) {
        messages_.show("The PLS reports a Scale Factor of " + numberText(sf) + "." + closing, title,
                       MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    // The offset that makes the machine's present position read `position`;
    // with off and pos read from the board and position <= sf it lies in
    // 0 .. sf - 1.
    const int newOffset = ((off + pos) % sf + sf - position) % sf;
    return writeWordHeld(pls::kWriteOffset, newOffset);
}

// --- Configuration block -------------------------------------------------

bool RSComm::PLSConfigDownload(const std::array<int, 24>& cfgParam, int scaleFactor) {
    VORAN_HOLD_OR(false);
    const std::string title = "PLS Configuration Download";
    const std::string closing = std::string(kCrLf2) + "PLS Configuration will not be Downloaded.";

    // Every entry travels in one byte and the scale factor in one word: a
    // value that cannot is refused before block 0 goes out, never truncated.
    for (int k = 0; k < 24; ++k) {
        if (!fitsByte(cfgParam[k])) {
            messages_.show("Configuration entry " + numberText(k) + " holds " +
                               numberText(cfgParam[k]) + ", outside 0 to 255." + closing,
                           title, MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
    }
    if (scaleFactor < 1 || scaleFactor > 65535) {
        messages_.show(
            "Scale Factor " + numberText(scaleFactor) + " is outside 1 to 65535." + closing, title,
            MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    for (int block = 0; block < 4; ++block) {
        std::array<int, 6> bytes{};
        for (int k = 0; k < 6; ++k) bytes[k] = cfgParam[6 * block + k];
        if (!blockWriteHeld(pls::kConfigBlock[block], bytes)) return false;
    }
    return writeWordHeld(pls::kWriteScaleFactor, scaleFactor);
}

std::array<int, 19> RSComm::PLSConfigUpload() {
    VORAN_HOLD_OR(ConfigBuffer_);
    if (!configReadHeld(pls::kConfigRead)) {
        messages_.show("Not able to Upload Configuration from PLS.", "PLS Upload", MsgButtons::Ok,
                       MsgIcon::Exclamation);
    }
    return ConfigBuffer_;
}

}  // namespace voran
