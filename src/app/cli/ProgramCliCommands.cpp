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

namespace voran::cli {

namespace {

// The program commands' boxes: a line on stderr each, as everywhere in
// voran-cli, except the question before a download, whose comparison goes
// to stdout and which is answered by --yes or by the operator at a terminal.
class ProgramBoxes : public IMessageBox {
public:
    ProgramBoxes(Context& ctx, bool yes) : ctx_(ctx), yes_(yes) {}

    MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                   MsgIcon) override {
        if (buttons == MsgButtons::YesNoCancel && title.rfind("Program Download - [", 0) == 0)
            return ask(text);
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
};

bool isProgramFileName(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".tnx") == 0;
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
    bool yes = false;
    const std::vector<std::string> files = TakeFlags(args, {{"--yes", &yes}});
    if (files.size() != 1 || !isProgramFileName(files[0])) {
        ctx.err << "voran-cli: usage: program-download [--yes] FILE.tnx\n";
        return kUsage;
    }
    if (!yes && !::isatty(STDIN_FILENO)) {
        ctx.err << "voran-cli: program-download asks before it replaces the board's program; "
                   "without a terminal give --yes\n";
        return kUsage;
    }
    ProgramBoxes boxes(ctx, yes);
    ProgramState state;
    DownloadFile(state.set, files[0], boxes);
    if (!state.set.ValidProgram) {
        if (!std::filesystem::exists(files[0]))
            ctx.err << "voran-cli: " << files[0] << ": no such program file\n";
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
    std::error_code ec;
    if (!std::filesystem::is_regular_file(args[0], ec)) {
        ctx.err << "voran-cli: " << args[0]
                << ": no such program file (it gives the board type of the set)\n";
        return kFailed;
    }
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
            << "program ident:     " << ident->identText() << "\n"
            << "program revision:  " << ident->revision() << "\n"
            << "program checksum:  " << ident->checksum() << "\n";
    return kOk;
}

Register downloadCommand{
    {"program-download", "program-download [--yes] FILE.tnx",
     "replace the board's program with a Tarnix program set (asks unless --yes)",
     &programDownload}};
Register uploadCommand{{"program-upload", "program-upload FILE.tnx",
                        "read the board's program back into the set's .rev, .lcf and .hex "
                        "(written only when complete)",
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
