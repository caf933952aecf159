#pragma once

class QWidget;

namespace voran {

class AppContext;
class FileCommands;
struct TransferReport;

// The transfer mode of the running or last transfer: 4 upload, 14 download
// (kTransferUpload, kTransferDownload). Set by StartTransfer before the
// progress window is shown.
extern int TransferMode;

// File > Upload (save) Data: asks, stamps the data with the present date and
// time, and runs the upload into CurrentData.
void mnuFileUpload_Click(AppContext& ctx, FileCommands& files, QWidget* parent);
// File > Download Data: asks, then sends CurrentData to the board.
void mnuFileDownload_Click(AppContext& ctx, FileCommands& files, QWidget* parent);

// Offers to go online when offline (Yes performs the Online Data command:
// OnlineMode := true, then ctx.UpdateOnlineState), sets TransferMode, stamps
// an upload, and shows the progress window modal until the transfer ends.
// Returns false when the operator declined to go online; `report`, when
// given, receives what the transfer achieved.
bool StartTransfer(AppContext& ctx, FileCommands& files, QWidget* parent, int mode,
                   TransferReport* report = nullptr);

}  // namespace voran
