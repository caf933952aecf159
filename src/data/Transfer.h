#pragma once

#include <array>
#include <functional>
#include <string>

#include "data/SetupData.h"
#include "link/RSComm.h"

namespace voran {

// Transfer modes: below 10 is an upload.
inline constexpr int kTransferUpload = 4;
inline constexpr int kTransferDownload = 14;
// Progress steps of a transfer: one per item and two per PLS channel.
inline constexpr int kTransferSteps = LastItemIndex + 1 + 16;  // 94

// How a transfer talks to whoever runs it: the progress window or the
// command line. Every member may be left empty.
struct TransferHooks {
    // Let pending window events run (the cancel button, other timers).
    std::function<void()> doEvents;
    // Polled between items: true once the operator asked to stop.
    std::function<bool()> cancelRequested;
    // The transfer moved on by `steps` progress steps.
    std::function<void(int steps)> advance;
    // What is being done now ("Uploading Timing Channels, Please Standby...").
    std::function<void(const std::string& text)> status;
};

// What a transfer achieved.
struct TransferReport {
    int mode = kTransferUpload;
    // Items transferred in the item phase (0 to 78).
    int items = 0;
    // Progress steps taken; an upload may pass kTransferSteps.
    int steps = 0;
    bool cancelled = false;
    // A link fault stood at the end (CommError).
    bool linkFault = false;
    // A PLS step reported failure.
    bool plsFailed = false;
    // A download refused before anything was sent (see refusal).
    bool refused = false;
    std::string refusal;

    // Every item and every PLS step went through.
    bool complete() const {
        return !cancelled && !linkFault && !plsFailed && !refused && items == ItemCount;
    }
};

// The whole data set moved between the board and a SetupData record: the
// 78 items in index order, then the PLS configuration, then the eight
// channels. Plain code shared by the progress window and the command line.
class DataTransfer {
public:
    DataTransfer(RSComm& link, SetupTables& tables, TransferHooks hooks = {});

    // Runs an upload (into tables.CurrentData) or a download (from it). A
    // cancel or a link fault ends the item phase early; the PLS phase still
    // runs and returns at its first check of the link. An upload keeps what
    // was read so far; a download sets tables.PLSConfigChanged once its PLS
    // phase has run.
    TransferReport RunTransfer(int mode);

    // The PLS phases on their own (RunTransfer calls them).
    void UploadTimingChannels();
    void DownloadTimingChannels();

private:
    void doEvents();
    void advance(int steps);
    void status(const std::string& text);

    RSComm& link_;
    SetupTables& tables_;
    TransferHooks hooks_;
    bool plsFailed_ = false;
    int steps_ = 0;
};

}  // namespace voran
