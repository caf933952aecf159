// The program upload: the board's ident block, configuration and program
// memory read back into a program file set.
#include "program/ProgramUpload.h"

#include <array>
#include <vector>
#include <cmath>

#include "platform/FileReplace.h"
#include "platform/Logging.h"
#include "program/BoardStatus.h"
#include "program/BoardTable.h"
#include "program/HexImage.h"

namespace voran {

namespace {

const char* const kTitle = "Program Upload";
// The board takes FFH at the start of an address pair as attention, so no
// byte of the page FF00H to FFFFH can be read over the PROG port.
constexpr int kLastReadable = 0xFEFF;

std::string addressText(int address) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text = "0000H";
    for (int i = 3; i >= 0; --i, address >>= 4) text[i] = kDigits[address & 0xF];
    return text;
}

}  // namespace

UploadOutcome UploadProgram(RSComm& link, ProgramState& state, IMessageBox& messages) {
    ProgramSet& set = state.set;
    ProgramProgress& p = state.progress;
    p.ReadingIdent = false;
    if (!p.InUploadMode) return UploadOutcome::NotStarted;
    struct EndOfUpload {
        ProgramProgress& p;
        ~EndOfUpload() {
            p.InUploadMode = false;
            p.ReadingIdent = false;
        }
    } end{p};
    const auto show = [&messages](const std::string& text, MsgIcon icon,
                                  const char* title = kTitle) {
        messages.show(text, title, MsgButtons::Ok, icon);
    };
    const auto notComplete = [&] {
        show("Program Upload Not Complete!\r\n\r\nHEX file not created.", MsgIcon::Critical);
        link.OnlineMode = false;
        return UploadOutcome::NotComplete;
    };

    if (!link.OnlineMode) {
        show("Program is Currently OFFLINE.\r\n\r\nSwitch to ONLINE MODE to Continue.",
             MsgIcon::Information);
        return UploadOutcome::NotStarted;
    }

    // The board type comes from the set's program file, read before the
    // board is touched.
    std::string field, error;
    int number = 0;
    switch (ReadFirstField(set.ProgramFileName, &field, &number, &error)) {
        case FieldRead::Empty:
            return UploadOutcome::Refused;
        case FieldRead::Missing:
            number = 53;
            error = "File not found: " + set.ProgramFileName;
            [[fallthrough]];
        case FieldRead::Unreadable:
            show("Error Number = " + std::to_string(number) + "\r\n\r\n" + error,
                 MsgIcon::Information, "RSComm-Upload Program");
            return UploadOutcome::Refused;
        case FieldRead::Ok:
            break;
    }
    set.ProgramBoardType = field.empty() ? 0 : static_cast<unsigned char>(field[0]);
    set.ProgramBoardName = TargetboardName(set.ProgramBoardType);
    const std::optional<MemoryRange> range = ProgramMemory(set.ProgramBoardType);
    if (range && range->end() > kLastReadable) {
        show("Program Upload Not Complete!\r\n\r\nThe " + set.ProgramBoardName +
                 " program memory runs to " + addressText(range->end()) + "; addresses " +
                 addressText(kLastReadable + 1) + " to " + addressText(range->end()) +
                 " cannot be read over the PROG port.\r\n\r\nHEX file not created.",
             MsgIcon::Critical);
        return UploadOutcome::Refused;
    }

    auto t = link.begin();
    if (!t) return UploadOutcome::NotStarted;

    // The ident block.
    std::string identBytes;
    std::array<int, 2> pair{};
    for (int i = 0; i < kIdentBlockLength; ++i) {
        p.ReadingIdent = true;
        const auto v = ReadByteItem(*t, "B" + std::to_string(kIdentBlock + i));
        if (!v) {
            // A link fault has been reported by the link itself.
            if (link.CommError) return UploadOutcome::NotComplete;
            return notComplete();
        }
        if (i < 8)
            identBytes += static_cast<char>(*v);
        else
            pair[i - 8] = *v;
    }
    p.ReadingIdent = false;
    const std::string revisionLine = RevisionLine(identBytes, pair[0], pair[1]);

    // The configuration items of the configuration boards.
    std::string configLine;
    if (HasConfigFile(set.ProgramBoardType)) {
        const auto speed = ReadByteItem(*t, "B8190");
        const auto code39 = speed ? ReadByteItem(*t, "B8189") : std::nullopt;
        const auto code40 = code39 ? ReadByteItem(*t, "B8188") : std::nullopt;
        if (!code40) return notComplete();
        set.LCFCode36 = *speed == 3 ? 1 : *speed == 5 ? 2 : 3;
        set.LCFCode39 = *code39;
        set.LCFCode40 = *code40 == 5 ? 1 : *code40 == 10 ? 2 : 3;
        configLine = ConfigLine(set.ProgramBoardType, set.LCFCode36, set.LCFCode39, set.LCFCode40);
    }

    // The program memory, 16 bytes a record, built in memory.
    p.CurrentProgramAdd = " ";
    std::string image;
    if (range) {
        image.reserve(static_cast<std::size_t>(range->length / 16) * 45 + 16);
        std::array<std::uint8_t, 16> data{};
        for (int block = range->start; block <= range->end(); block += 16) {
            p.CurrentProgramAdd = addressText(block);
            if (state.doEvents) state.doEvents();
            if (state.stopWanted()) return notComplete();
            for (int k = 0; k < 16; ++k) {
                const auto v = ReadByteItem(*t, "B" + std::to_string(block + k));
                if (!v || link.CommError) {
                    qCWarning(lcData, "program upload: read of %d failed", block + k);
                    return notComplete();
                }
                data[k] = static_cast<std::uint8_t>(*v);
            }
            image += HexRecordLine(block, data.data(), 16);
        }
    }
    image += std::string(kHexEndRecord) + "\r\n";

    // Every byte is in: the set is replaced, each file whole.
    struct Output {
        const std::string& path;
        const std::string& bytes;
    };
    std::vector<Output> outputs{{set.RevisionFileName, revisionLine}};
    if (!configLine.empty()) outputs.push_back({set.ConfigFileName, configLine});
    outputs.push_back({set.HexFileName, image});
    for (const Output& o : outputs) {
        const FileWriteResult written = ReplaceFileContents(o.path, o.bytes);
        if (!written) {
            show("Error Number = " + std::to_string(written.errorNumber) + "\r\n\r\n" +
                     written.error,
                 MsgIcon::Information, "RSComm-Upload Program");
            return UploadOutcome::WriteFailed;
        }
    }
    show("Program Upload Complete!", MsgIcon::Information);
    link.OnlineMode = true;
    return UploadOutcome::Complete;
}

}  // namespace voran
