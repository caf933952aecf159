#pragma once

#include "data/Transfer.h"

class QWidget;

namespace voran {

class AppContext;
class FileCommands;
class IFileDialog;
struct TransferReport;

// File > Upload (save) Data: asks, then runs the upload into CurrentData;
// a complete upload stamps the data with the present date and time.
void mnuFileUpload_Click(AppContext& ctx, FileCommands& files, QWidget* parent);
// File > Download Data: asks, then sends CurrentData to the board. The
// question's "Set-up Only" button sends the set-up items and the PLS and
// leaves the board's shift counts alone. Online, it also has a "Show
// Changes..." button that runs the comparison and asks again.
void mnuFileDownload_Click(AppContext& ctx, FileCommands& files, IFileDialog& dialogs,
                           QWidget* parent);

// File > Compare with Controller...: offers to go online when offline, reads
// the board's whole data set the way an upload does (into a scratch record;
// the working data stay as they are) and shows what a download of the
// working data would change. A read that did not complete shows the
// transfer's failure box and no comparison; false then.
bool CompareWithController(AppContext& ctx, FileCommands& files, IFileDialog& dialogs,
                           QWidget* parent);

// Offers to go online when offline (Yes performs the Online Data command:
// OnlineMode := true, then ctx.UpdateOnlineState) and shows the progress
// window modal until the transfer ends; an upload that completed is then
// stamped (one that did not leaves CurrentData, stamp included, as it was).
// Returns false when the operator declined to go online; `report`, when
// given, receives what the transfer achieved.
bool StartTransfer(AppContext& ctx, FileCommands& files, QWidget* parent,
                   TransferDirection direction, TransferReport* report = nullptr,
                   TransferItems items = TransferItems::All);

}  // namespace voran
