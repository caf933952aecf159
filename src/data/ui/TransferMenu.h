#pragma once

#include "data/Transfer.h"

class QWidget;

namespace voran {

class AppContext;
class FileCommands;

// File > Upload (save) Data: asks, then runs the upload into CurrentData;
// a complete upload stamps the data with the present date and time.
void mnuFileUpload_Click(AppContext& ctx, FileCommands& files, QWidget* parent);
// File > Download Data: asks, then sends CurrentData to the board.
void mnuFileDownload_Click(AppContext& ctx, FileCommands& files, QWidget* parent);

// Offers to go online when offline (Yes performs the Online Data command:
// OnlineMode := true, then ctx.UpdateOnlineState) and shows the progress
// window modal until the transfer ends; an upload that completed is then
// stamped (one that did not leaves CurrentData, stamp included, as it was).
// Returns false when the operator declined to go online.
bool StartTransfer(AppContext& ctx, FileCommands& files, QWidget* parent,
                   TransferDirection direction);

}  // namespace voran
