#include "data/TransferFile.h"

#include "data/SetupFile.h"

namespace voran {

namespace {

// The operator's sentence for an incomplete transfer ("upload not complete:
// cancelled after 12 of 78 items").
std::string DescribeIncomplete(const TransferReport& r, std::string what = {}) {
    const bool upload = r.direction == TransferDirection::Upload;
    if (what.empty()) what = upload ? "upload" : "download";
    if (r.refused) {
        // The first line of the refusal, and the list of items when there is one.
        std::string why = r.refusal.substr(0, r.refusal.find("\r\n"));
        const std::size_t list = r.refusal.find(":\r\n");
        if (list != std::string::npos) why += "\n" + r.refusal.substr(list + 3);
        return what + " refused: " + why;
    }
    std::string why;
    if (r.cancelled)
        why = "cancelled";
    else if (r.linkFault)
        why = "the link to the board failed";
    else if (r.itemFailed)
        why = std::string(upload ? "reading" : "writing") + " item " +
              std::to_string(r.failedItem) + " failed";
    else if (r.plsFailed)
        why = "the PLS did not take a step";
    else
        why = "stopped";
    std::string text = what + " not complete: " + why + " after " + std::to_string(r.items) +
                       " of " + std::to_string(ItemCount) + " items";
    // The PLS phase runs after a cancelled item phase, as in the window.
    if (!upload && r.cancelled && !r.linkFault)
        text += "; the PLS configuration and channels were still sent";
    return text;
}

}  // namespace

std::string ItemCountRefusal(const std::string& path, const SetupData& file) {
    const std::size_t items = ItemCount;
    if (file.Address.size() == items && file.Value.size() == items) return {};
    if (file.Address.size() != file.Value.size())
        return path + " holds " + std::to_string(file.Address.size()) + " addresses but " +
               std::to_string(file.Value.size()) + " values";
    return path + " holds " + std::to_string(file.Address.size()) + " items, not " +
           std::to_string(items);
}

std::string VersionRefusal(const std::string& path, const SetupData& file) {
    if (file.Version == ProgramVersion()) return {};
    return path + " was written by set-up program version \"" + file.Version + "\", not " +
           ProgramVersion() + "; its data tables may not be properly aligned";
}

FileTransferOutcome UploadToFile(RSComm& link, IClock& clock, const std::string& path,
                                 TransferHooks hooks) {
    FileTransferOutcome out;
    SetupTables tables;
    tables.BuildDefaults(clock.localDateTime());
    SetupData& data = tables.CurrentData;
    data.Version = ProgramVersion();
    data.Stamp = StampOf(clock.localDateTime());

    out.report = DataTransfer(link, tables, std::move(hooks)).RunTransfer(kTransferUpload);
    if (!out.report.complete()) {
        out.error = DescribeIncomplete(out.report) + "; " + path + " was not written";
        return out;
    }
    const SetupFileResult written = WriteSetupFile(path, data);
    if (!written) {
        out.error = "cannot write " + path + ": " + written.error;
        return out;
    }
    out.ok = true;
    return out;
}

FileTransferOutcome DownloadFromFile(RSComm& link, const std::string& path, bool anyVersion,
                                     TransferHooks hooks) {
    FileTransferOutcome out;
    out.report.direction = kTransferDownload;
    SetupTables tables;
    const SetupFileResult read = ReadSetupFile(path, tables.FileData);
    if (!read) {
        out.error = "cannot read " + path + ": " + read.error;
        return out;
    }
    const SetupData& file = tables.FileData;
    if (const std::string refusal = ItemCountRefusal(path, file); !refusal.empty()) {
        out.error = refusal + "; nothing was sent";
        return out;
    }
    if (const std::string refusal = VersionRefusal(path, file); !refusal.empty() && !anyVersion) {
        out.error = refusal + ", nothing was sent (--any-version sends it anyway)";
        return out;
    }
    tables.CurrentData = file;

    out.report = DataTransfer(link, tables, std::move(hooks)).RunTransfer(kTransferDownload);
    if (!out.report.complete()) {
        out.error = DescribeIncomplete(out.report);
        return out;
    }
    out.ok = true;
    return out;
}

FileComparison CompareFileWithBoard(RSComm& link, const std::string& path, TransferHooks hooks,
                                    bool anyVersion) {
    FileComparison out;
    SetupTables tables;
    SetupData& file = tables.CurrentData;
    const SetupFileResult read = ReadSetupFile(path, file);
    if (!read) {
        out.error = "cannot read " + path + ": " + read.error;
        return out;
    }
    // What a download would refuse is no comparison either.
    if (const std::string refusal = ItemCountRefusal(path, file); !refusal.empty()) {
        out.error = refusal + "; nothing was compared";
        return out;
    }
    if (const std::string refusal = VersionRefusal(path, file); !refusal.empty() && !anyVersion) {
        out.error = refusal + ", nothing was compared (--any-version compares it anyway)";
        return out;
    }

    SetupData board;
    out.report = DataTransfer(link, tables, std::move(hooks)).ReadBoard(board);
    if (!out.report.complete()) {
        out.error = DescribeIncomplete(out.report, "reading the board") + "; nothing was compared";
        return out;
    }
    out.differences = CompareSetups(file, board);
    out.ok = true;
    return out;
}

}  // namespace voran
