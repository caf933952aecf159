#pragma once

#include <array>
#include <functional>
#include <string>

#include "data/SetupData.h"
#include "link/RSComm.h"

namespace voran {

// Which way a transfer moves the data.
enum class TransferDirection { Upload, Download };
inline constexpr TransferDirection kTransferUpload = TransferDirection::Upload;
inline constexpr TransferDirection kTransferDownload = TransferDirection::Download;

// Which items a download writes: all 78, or only the set-up (items 0 to 37)
// and the PLS, leaving the board's shift counts (items 38 to 77) as they
// are, for restoring a set-up to a running line.
enum class TransferItems { All, SetUpOnly };

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
    // A download whose address table differs from the program's item table:
    // `differences` lists the items, one a line. True sends the data to the
    // addresses it names; false (or no hook) sends nothing.
    std::function<bool(const std::string& differences)> acceptAddresses;
};

// What a transfer achieved.
struct TransferReport {
    TransferDirection direction = kTransferUpload;
    // Items reached in the item phase (0 to 78), one that failed included;
    // items without an address are skipped and count as reached.
    int items = 0;
    // Progress steps taken; an upload may pass kTransferSteps.
    int steps = 0;
    bool cancelled = false;
    // A link fault stood at the end (CommError).
    bool linkFault = false;
    // A PLS step reported failure.
    bool plsFailed = false;
    // An item read or write failed without a link fault (a refused entry, a
    // read or write the board did not answer right even when tried again).
    bool itemFailed = false;
    // The item that failed (-1: none).
    int failedItem = -1;
    // A download refused before anything was sent (see refusal).
    bool refused = false;
    std::string refusal;

    // Every item and every PLS step went through.
    bool complete() const {
        return !cancelled && !linkFault && !plsFailed && !itemFailed && !refused &&
               items == ItemCount;
    }
};

// The items whose address differs from the program's own item table, one a
// line ("item 5: \"Q17\", the item table has \"W1010\""); empty when none.
std::string AddressTableDifferences(const SetupData& data);

// The whole data set moved between the board and a SetupData record: the
// 78 items in index order, then the PLS configuration, then the eight
// channels. Plain code shared by the progress window and the command line.
//
// A failure is never a value: an upload reads into a scratch record and
// takes it into tables.CurrentData only when every item and every PLS value
// was read; otherwise CurrentData stays exactly as it was. Every read or
// write that failed, with or without a link fault, makes the transfer
// incomplete.
class DataTransfer {
public:
    DataTransfer(RSComm& link, SetupTables& tables, TransferHooks hooks = {});

    // Runs an upload (into tables.CurrentData) or a download (from it). A
    // cancel, a failed item or a link fault ends the item phase early; the
    // PLS phase still runs unless the link failed. A download sets
    // tables.PLSConfigChanged once its PLS phase has run. A set-up-only
    // download passes over the shift-data items without a byte (they count
    // as reached); an upload always reads everything.
    TransferReport RunTransfer(TransferDirection direction,
                               TransferItems items = TransferItems::All);
    // Reads the board's whole data set exactly as an upload does, at the
    // addresses of tables.CurrentData, into `board`, and leaves CurrentData
    // alone. `board` is filled only when the report is complete; otherwise
    // it stays as it was.
    TransferReport ReadBoard(SetupData& board);

private:
    // An upload or download; an upload's complete result goes to `readInto`.
    TransferReport run(TransferDirection direction, SetupData& readInto,
                       TransferItems items = TransferItems::All);
    // The PLS phases: into `data` (upload) or from it (download).
    void UploadTimingChannels(SetupData& data);
    void DownloadTimingChannels(const SetupData& data);
    bool uploadChannel(SetupData& data, int ch);
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
