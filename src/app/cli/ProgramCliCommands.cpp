// program-download, program-upload and status: the controller program and
// the board's identity from the command line.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <ostream>

#include "CliCommands.h"
#include "Json.h"
#include "program/BoardStatus.h"
#include "program/FaultText.h"
#include "program/ProgramDownload.h"
#include "program/ProgramState.h"
#include "program/ProgramUpload.h"
#include "program/RecordText.h"

namespace voran::cli {

namespace {

// The program commands' boxes: a line on stderr each, as everywhere in
// voran-cli, except the question before a download, whose comparison goes
// to stdout and which is answered by --yes or by the operator at a terminal.
class ProgramBoxes : public IMessageBox {
public:
    ProgramBoxes(Context& ctx, bool yes, bool outsideMemory = false)
        : ctx_(ctx), yes_(yes), outsideMemory_(outsideMemory) {}

    MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                   MsgIcon) override {
        if (buttons == MsgButtons::YesNoCancel && title.rfind("Program Download - [", 0) == 0)
            return ask(text);
        // Bytes outside the board's program memory go only when the command
        // line says so, whoever is at the terminal.
        if (title == kOutsideMemoryTitle) {
            ctx_.err << title << ": " << OneLine(text) << "\n";
            if (outsideMemory_) return MsgResult::Yes;
            ctx_.err << "voran-cli: nothing sent; give --outside-memory to download them as well\n";
            return MsgResult::No;
        }
        ctx_.err << title << ": " << OneLine(text) << std::endl;
        return EscapeAnswer(buttons);
    }

private:
    MsgResult ask(const std::string& text) {
        std::string plain;
        for (char c : text)
            if (c != '\r') plain += c == '\t' ? ' ' : c;
        ctx_.out << plain << std::flush;
        if (yes_) return MsgResult::Yes;
        ctx_.err << "Download this program into the board? [y/N] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return MsgResult::No;
        return answer == "y" || answer == "Y" || answer == "yes" ? MsgResult::Yes : MsgResult::No;
    }

    Context& ctx_;
    bool yes_;
    bool outsideMemory_;
};

// A program file name ends in ".tnx", in any case of letters (PLANT.TNX).
bool isProgramFileName(const std::string& path) {
    return path.size() > 4 && SameNoCase(path.substr(path.size() - 4), ".tnx");
}

// Why a program file gives no board type, said on stderr; false when it
// gives one. An unreadable file has been reported with the platform's words.
bool programFileUnusable(Context& ctx, const std::string& path) {
    std::string field;
    switch (ReadFirstField(path, &field)) {
        case FieldRead::Missing:
            ctx.err << "voran-cli: " << path
                    << ": no such program file (it gives the board type of the set)\n";
            return true;
        case FieldRead::Empty:
            ctx.err << "voran-cli: " << path
                    << ": the program file is empty (its first character gives the board type)\n";
            return true;
        case FieldRead::Unreadable:
            ctx.err << "voran-cli: " << path << ": the program file cannot be read\n";
            return true;
        case FieldRead::Ok:
            break;
    }
    if (field.empty()) {
        ctx.err << "voran-cli: " << path
                << ": the program file's first field is blank (it gives the board type)\n";
        return true;
    }
    return false;
}

// Shows the record address on stderr while a transfer runs, when stderr is
// a terminal.
void progressTo(Context& ctx, ProgramState& state, const char* verb) {
    if (!ctx.showProgress()) return;
    state.doEvents = [&ctx, &state, verb, last = std::string()]() mutable {
        const std::string& now = state.progress.CurrentProgramAdd;
        if (now == last) return;
        last = now;
        ctx.err << "\r" << verb << " " << now << std::flush;
    };
}

int programDownload(Context& ctx, const std::vector<std::string>& args) {
    bool yes = false, outsideMemory = false;
    const std::vector<std::string> files =
        TakeFlags(args, {{"--yes", &yes}, {"--outside-memory", &outsideMemory}});
    if (files.size() != 1 || !isProgramFileName(files[0])) {
        ctx.err << "voran-cli: usage: program-download [--yes] [--outside-memory] FILE.tnx\n";
        return kUsage;
    }
    if (!yes && !::isatty(STDIN_FILENO)) {
        ctx.err << "voran-cli: program-download asks before it replaces the board's program; "
                   "without a terminal give --yes\n";
        return kUsage;
    }
    ProgramBoxes boxes(ctx, yes, outsideMemory);
    ProgramState state;
    DownloadFile(state.set, files[0], boxes);
    if (!state.set.ValidProgram) {
        programFileUnusable(ctx, files[0]);
        return kFailed;
    }
    if (!ctx.open()) return kFailed;
    progressTo(ctx, state, "Writing to Program Address:");
    const DownloadOutcome outcome = DumpProgram(ctx.link, state, boxes);
    if (ctx.showProgress()) ctx.err << "\n";
    if (outcome != DownloadOutcome::Complete) return kFailed;
    ctx.done("downloaded " + state.set.HexFileName);
    return kOk;
}

int programUpload(Context& ctx, const std::vector<std::string>& args) {
    if (args.size() != 1 || !isProgramFileName(args[0])) {
        ctx.err << "voran-cli: usage: program-upload FILE.tnx\n";
        return kUsage;
    }
    if (programFileUnusable(ctx, args[0])) return kFailed;
    ProgramBoxes boxes(ctx, false);
    ProgramState state;
    UploadFile(state.set, args[0], boxes);
    state.progress.InUploadMode = true;
    if (!ctx.open()) return kFailed;
    progressTo(ctx, state, "Reading From Program Address:");
    const UploadOutcome outcome = UploadProgram(ctx.link, state, boxes);
    if (ctx.showProgress()) ctx.err << "\n";
    if (outcome != UploadOutcome::Complete) return kFailed;
    ctx.done("uploaded " + state.set.HexFileName);
    return kOk;
}

// {"current_fault":{"code":N,"text":...},"last_fault":{...},
// "firmware_revision":N,"program_ident":...,"program_revision":N,
// "program_checksum":N}
std::string FaultJson(int code, const std::string& text) {
    return "{" + JsonMember("code", JsonNumber(code)) + "," + JsonMember("text", JsonString(text)) +
           "}";
}

int status(Context& ctx, const std::vector<std::string>& options) {
    bool json = false;
    const std::vector<std::string> args = TakeFlags(options, {{"--json", &json}});
    if (!args.empty()) {
        ctx.err << "voran-cli: usage: status [--json]\n";
        return kUsage;
    }
    if (!ctx.open()) return kFailed;
    auto t = ctx.link.begin();
    if (!t) return kFailed;
    const auto current = ReadByteItem(*t, kFaultCodeItem);
    const auto last = current ? ReadByteItem(*t, kLastFaultItem) : std::nullopt;
    const auto firmware = last ? ReadByteItem(*t, kFirmwareRevItem) : std::nullopt;
    const auto ident = firmware ? ReadIdentBlock(*t) : std::nullopt;
    if (!ident) {
        ctx.err << "voran-cli: the board did not answer every read; nothing to show\n";
        return kFailed;
    }
    ProgramBoxes boxes(ctx, false);
    const std::string faults = FaultFile(ctx.programFolder);
    if (json) {
        ctx.out << "{"
                << JsonMember("current_fault",
                              FaultJson(*current, FaultDescription(*current, faults, boxes)))
                << ","
                << JsonMember("last_fault",
                              FaultJson(*last, FaultDescription(*last, faults, boxes)))
                << "," << JsonMember("firmware_revision", JsonNumber(*firmware)) << ","
                << JsonMember("program_ident", JsonString(ident->identText())) << ","
                << JsonMember("program_revision", JsonNumber(ident->revision())) << ","
                << JsonMember("program_checksum", JsonNumber(ident->checksum())) << "}\n";
        return kOk;
    }
    ctx.out << "current fault:     " << FaultDescription(*current, faults, boxes) << "\n"
            << "last fault:        " << FaultDescription(*last, faults, boxes) << "\n"
            << "firmware revision: " << *firmware << "\n"
            << "program ident:     " << (ident->holdsIdent() ? ident->identText() : kNoIdentText)
            << "\n"
            << "program revision:  "
            << (ident->holdsIdent() ? std::to_string(ident->revision()) : "-") << "\n"
            << "program checksum:  "
            << (ident->holdsIdent() ? std::to_string(ident->checksum()) : "-") << "\n";
    return kOk;
}

Register downloadCommand{
    {"program-download", "program-download [--yes] [--outside-memory] FILE.tnx",
     "replace the board's program with a Tarnix program set (asks unless --yes; an image\n"
     "      with bytes outside the board's program memory is refused without --outside-memory);\n"
     "      exit 0 only when the whole program and its ident went in",
     &programDownload}};
Register uploadCommand{{"program-upload", "program-upload FILE.tnx",
                        "read the board's program back into the set's .rev, .lcf and .hex "
                        "(replaced together,\n      only when every byte was read; otherwise "
                        "the earlier set stays as it was)",
                        &programUpload}};
Register statusCommand{
    {"status", "status [--json]", "fault codes with their texts, firmware revision, program ident",
     &status,
     "  --json         one JSON object: {\"current_fault\":{\"code\":N,\"text\":...},\n"
     "                 \"last_fault\":{...}, \"firmware_revision\":N,\n"
     "                 \"program_ident\":..., \"program_revision\":N,\n"
     "                 \"program_checksum\":N}\n"}};

}  // namespace

}  // namespace voran::cli
