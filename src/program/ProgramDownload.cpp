// The program download: the board's program memory replaced record by
// record with an Intel HEX image, then the ident block written.
#include "program/ProgramDownload.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/FileRead.h"
#include "platform/Logging.h"
#include "program/BoardStatus.h"
#include "program/BoardTable.h"
#include "program/HexImage.h"

namespace voran {

namespace {

constexpr int kAttention = 0xFF;
constexpr int kAck = 0x55;
constexpr int kProgramMode = 0x03;
// An image larger than this is no program for any of the boards.
constexpr std::uintmax_t kImageLimit = 16u << 20;
constexpr double kRecordAnswer = 1.0;
constexpr double kBeforeAttention = 0.1;
constexpr double kAfterProgram = 2.0;
const char* const kTitle = "Program Download";

std::string addressText(int address) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text = "0000H";
    for (int i = 3; i >= 0; --i, address >>= 4) text[i] = kDigits[address & 0xF];
    return text;
}

// Reads the image file whole. False with the platform's error when it
// cannot be read.
bool readImage(const std::string& path, std::string* text, int* number, std::string* error) {
    // A regular file of reasonable size only; a byte-order mark is skipped.
    const FileReadResult read = ReadFileContents(path);
    if (!read) {
        *number = read.errorNumber;
        *error = read.error;
        return false;
    }
    *text = WithoutByteOrderMark(read.bytes);
    return true;
}

}  // namespace

std::string DownloadQuestion(const ProgramSet& set, const std::string& boardIdent,
                             const std::string& boardRevision, const std::string& boardChecksum) {
    const std::string nl = "\r\n";
    return "Program to be loaded into module (on disk):" + nl + "  Program Ident: \t\t" +
           set.ProgramIdent + nl + "  Program Revision: \t\t" + set.ProgramRevision + nl +
           "  Program Checksum: \t" + set.ProgramChecksum + nl + "  Target Board: \t\t" +
           set.ProgramBoardName + nl + nl + "Program currently loaded in module:" + nl +
           "  Program Ident: \t\t" + boardIdent + nl + "  Program Revision: \t\t" + boardRevision +
           nl + "  Program Checksum: \t" + boardChecksum + nl + nl +
           "Entire program file will be dumped to the PLC." + nl +
           "All outputs are off while program dump occurrs." + nl + nl +
           "Do You Wish to Continue?" + nl;
}

DownloadOutcome DumpProgram(RSComm& link, ProgramState& state, IMessageBox& messages) {
    ProgramSet& set = state.set;
    ProgramProgress& p = state.progress;
    p.InProgramMode = true;
    p.WritingIdent = false;
    p.CurrentProgramAdd = " ";
    struct EndOfDownload {
        ProgramProgress& p;
        ~EndOfDownload() {
            p.InProgramMode = false;
            p.WritingIdent = false;
        }
    } end{p};
    const auto show = [&messages](const std::string& text, MsgIcon icon,
                                  const char* title = kTitle) {
        messages.show(text, title, MsgButtons::Ok, icon);
    };

    if (!link.OnlineMode) {
        show("Program is Currently OFFLINE.\r\n\r\nSwitch to ONLINE MODE to Continue.",
             MsgIcon::Information);
        return DownloadOutcome::NotStarted;
    }
    if (!set.ValidProgram) {
        show("Currently Selected Program is Invalid.\r\n\r\nProgram Download Halted!",
             MsgIcon::Exclamation);
        return DownloadOutcome::NotStarted;
    }
    auto t = link.begin();
    if (!t) return DownloadOutcome::NotStarted;

    // What the board holds now, for the operator to compare.
    const std::optional<IdentBlock> board = ReadIdentBlock(*t);
    if (!board) {
        // A link fault has been reported by the link; any other failed read
        // has not.
        if (!link.CommError) show("Program Download Not Complete!", MsgIcon::Critical);
        return DownloadOutcome::NotStarted;
    }
    if (messages.show(DownloadQuestion(set, board->identText(), std::to_string(board->revision()),
                                       std::to_string(board->checksum())),
                      "Program Download - [" + set.ProgramIdent + "]", MsgButtons::YesNoCancel,
                      MsgIcon::Question) != MsgResult::Yes)
        return DownloadOutcome::Declined;

    // From here on the rest of the program leaves the link alone.
    link.OnlineMode = false;

    std::error_code ec;
    if (!std::filesystem::is_regular_file(set.HexFileName, ec)) {
        show(set.HexFileName + " File Does Not Exist.\r\n\r\nProgram Downloaded Halted",
             MsgIcon::Information);
        link.OnlineMode = true;
        return DownloadOutcome::Refused;
    }
    const std::uintmax_t size = std::filesystem::file_size(set.HexFileName, ec);
    if (!ec && size == 0) {
        show(set.HexFileName + " File is Not Valid\r\n\r\nProgram Downloaded Halted",
             MsgIcon::Exclamation);
        link.OnlineMode = true;
        return DownloadOutcome::Refused;
    }

    // The whole image is read and checked before the board is touched: a
    // bad line found half-way would leave the board with part of a program.
    std::string text, error;
    int number = 0;
    if (ec || size > kImageLimit) {
        number = ec ? ec.value() : EFBIG;
        error = (ec ? ec.message() : std::string("File too large")) + ": " + set.HexFileName;
    }
    if (!error.empty() || !readImage(set.HexFileName, &text, &number, &error)) {
        show("Error Number = " + std::to_string(number) + "\r\n\r\n" + error, MsgIcon::Information,
             "RSComm DumpProgram");
        set.ValidProgram = false;
        link.OnlineMode = true;
        return DownloadOutcome::Refused;
    }
    const HexImage image = ParseHexImage(text);
    if (!image.ok) {
        show("Currently Selected Program is Invalid.\r\n\r\n" + set.HexFileName + " line " +
                 std::to_string(image.badLine) + ": " + image.reason +
                 ".\r\n\r\nProgram Download Halted!",
             MsgIcon::Exclamation, "Program Dump");
        set.ValidProgram = false;
        link.OnlineMode = true;
        return DownloadOutcome::Refused;
    }
    qCInfo(lcData, "program download: %zu records from %s", image.records.size(),
           set.HexFileName.c_str());

    // Into program mode: the request and a cleared fault code, then the
    // attention byte.
    if (!link.CommError) t->write("B8181", "86");
    if (!link.CommError) t->write(kFaultCodeItem, "0");
    if (!link.CommError) t->clock().pause(kBeforeAttention);
    if (!link.CommError) t->exchange(kAttention);
    t->clearMode();

    if (HasConfigFile(set.ProgramBoardType)) {
        const int c40 = set.LCFCode40, c36 = set.LCFCode36;
        if (!link.CommError) t->write("B8188", c40 == 1 ? "5" : c40 == 2 ? "10" : "20");
        if (!link.CommError) t->write("B8189", std::to_string(set.LCFCode39));
        if (!link.CommError) t->write("B8190", c36 == 1 ? "3" : c36 == 2 ? "5" : "12");
        if (link.CommError)
            show("Could Not Set Program Configuration in PLC!", MsgIcon::Critical,
                 "Program Config Download");
    }

    if (!link.CommError) t->exchange(kAttention);
    t->clearMode();
    if (!link.CommError) t->exchange(kProgramMode);

    // The records, each sent back to back and answered with its sum.
    bool stopped = false;
    for (const HexRecord& r : image.records) {
        if (state.doEvents) state.doEvents();
        if (link.CommError) break;
        // The operator's Cancel: the board keeps the records sent so far,
        // as after any other halt.
        if ((stopped = state.stopWanted())) break;
        t->exchange(static_cast<int>(r.data.size()), true);
        if (!link.CommError) t->exchange(r.addressHigh, true);
        if (!link.CommError) t->exchange(r.addressLow, true);
        p.CurrentProgramAdd = addressText(r.address());
        for (std::size_t j = 0; j < r.data.size() && !link.CommError; ++j)
            t->exchange(r.data[j], true);

        ISerialPort* port = t->port();
        int answer = -1;
        if (port && port->waitForByte(t->clock().now() + kRecordAnswer)) answer = port->readByte();
        if (answer != r.sum()) {
            qCWarning(lcData, "record at %s (line %d): answer %d, sum %d",
                      p.CurrentProgramAdd.c_str(), r.line, answer, r.sum());
            show("Checksum Error, Program Download Halted!", MsgIcon::Exclamation);
            link.OnlineMode = false;
            return DownloadOutcome::Halted;
        }
    }

    if (!stopped && !link.CommError && t->exchange(kAttention) != kAck) {
        show("PLC did not Exit Program Mode!", MsgIcon::Critical);
        link.OnlineMode = false;
        return DownloadOutcome::Halted;
    }

    // The board stores the program; then the ident block tells what is loaded.
    if (!stopped) t->clock().pause(kAfterProgram);
    stopped = stopped || state.stopWanted();
    if (!link.CommError && !stopped) {
        p.WritingIdent = true;
        std::string ident = set.ProgramIdent;
        ident.erase(0, ident.find_first_not_of(' '));
        ident.erase(ident.find_last_not_of(' ') + 1);
        ident += std::string(8, '\0');
        for (int i = 0; i < kIdentBlockLength; ++i) {
            const std::string value = i < 8 ? std::to_string(static_cast<unsigned char>(ident[i]))
                                      : i == 8 ? set.ProgramChecksum
                                               : set.ProgramRevision;
            t->write("B" + std::to_string(kIdentBlock + i), value);
            if (link.CommError) {
                show("Could Not Send Program Ident and Revision to PLC!", MsgIcon::Critical);
                break;
            }
        }
    }
    set.ValidProgram = false;
    p.WritingIdent = false;

    if (!link.CommError && !stopped) {
        show("Program Download Complete!", MsgIcon::Information);
        link.OnlineMode = true;
        return DownloadOutcome::Complete;
    }
    show("Program Download Not Complete!", MsgIcon::Critical);
    link.OnlineMode = false;
    return DownloadOutcome::NotComplete;
}

}  // namespace voran
