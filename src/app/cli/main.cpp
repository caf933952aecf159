// voran-cli: the controller link from the command line, for field diagnosis
// and scripts. Shares the program folder (Support/RSPort.cfg, Support/COM<n>)
// with voran.
#include <unistd.h>

#include <QLoggingCategory>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "Version.h"
#include "link/TrafficDecoder.h"
#include "link/TrafficPort.h"
#include "number/NumberText.h"
#include "platform/Clock.h"
#include "platform/Logging.h"
#include "platform/NamedPort.h"
#include "platform/Paths.h"
#include "platform/PortName.h"
#ifdef _WIN32
#include "platform/qt/QtSerialPort.h"
#else
#include "platform/PosixSerialPort.h"
#endif

namespace voran::cli {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

bool Context::showProgress() const {
    return !quiet && ::isatty(STDERR_FILENO);
}

namespace {

// Message boxes become lines on stderr; questions get the cautious answer.
class StderrMessageBox : public IMessageBox {
public:
    int shown = 0;

    MsgResult show(const std::string& text, const std::string& title, MsgButtons buttons,
                   MsgIcon) override {
        ++shown;
        std::cerr << title << ": " << OneLine(text) << std::endl;
        // Nobody is there to answer: Retry/Cancel boxes answer Cancel.
        return EscapeAnswer(buttons);
    }
};

constexpr const char* kOptions =
    "Options (before the command; -q and --verbose also after it):\n"
    "  --port PORT    the port to use instead of the one in Support/RSPort.cfg (see PORT)\n"
    "  --speed S      9600 or 19200 bit/s instead of the one in Support/RSPort.cfg\n"
    "  -q, --quiet    no messages on success: only results and errors\n"
    "  --verbose      also the port used and the link's warnings (on stderr)\n"
    "  --trace FILE   every byte on the link and the link's time-outs, resyncs and\n"
    "                 retries, decoded, one line each, into FILE\n"
    "  -h, --help     this text; after a command, that command's help\n"
    "  -v, --version  the program's version\n";

void usage(std::ostream& os) {
    os << "usage: voran-cli [OPTIONS] COMMAND [ARGS]\n"
          "       voran-cli COMMAND --help\n"
          "       voran-cli --help | --version\n\n"
          "Commands:\n";
    for (const Command& c : Commands()) os << "  " << c.usage << "\n      " << c.summary << "\n";
    os << "\n" << kOptions;
    os << "\nPORT is a COM number 1..99 (3 or COM3), a device (/dev/ttyUSB0), socket://HOST:PORT\n"
          "(a serial device server in raw TCP mode) or rfc2217://HOST:PORT (one that takes\n"
          "the line settings from the PC).\n"
          "Without options the port and speed of Support/RSPort.cfg in the program folder\n"
          "are used (port N is what Support/PortMap.cfg maps it to, else the device\n"
          "Support/COM<N> links to, else /dev/ttyS<N-1>).\n"
          "The program folder is this program's own when it may write there, else the\n"
          "per-user folder ~/.local/share/voran (see voran-cli(1)).\n"
          "Messages go to stderr. Exit status: 0 done, 1 the link or the board failed or\n"
          "an entry was refused, 2 a wrong command line.\n";
}

// "voran-cli COMMAND --help".
void commandHelp(std::ostream& os, const Command& c) {
    os << "usage: voran-cli [OPTIONS] " << c.usage << "\n\n" << c.summary << "\n";
    if (!c.details.empty()) os << "\n" << c.details;
    os << "\n" << kOptions;
}

bool isHelp(const std::string& a) {
    return a == "--help" || a == "-h";
}

// Digits only, at most six of them.
std::optional<int> number(const std::string& text) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return static_cast<int>(LeadingInteger(text));
}

}  // namespace

int run(int argc, char** argv) {
    std::optional<int> port, speed;
    std::optional<PortName> portName;
    bool quiet = false, verbose = false;
    std::string traceFile;
    // The output options count wherever they stand; no argument of a command
    // takes these forms.
    std::vector<std::string> words;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "-q" || a == "--quiet")
            quiet = true;
        else if (a == "--verbose")
            verbose = true;
        else
            words.push_back(a);
    }
    if (quiet && verbose) {
        std::cerr << "voran-cli: --quiet and --verbose exclude each other\n";
        return kUsage;
    }
    argc = static_cast<int>(words.size()) + 1;
    std::vector<char*> kept{argv[0]};
    for (std::string& w : words) kept.push_back(w.data());
    argv = kept.data();

    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (isHelp(a)) {
            usage(std::cout);
            return kOk;
        }
        if (a == "--version" || a == "-v") {
            std::cout << "voran-cli " VORAN_VERSION "\n";
            return kOk;
        }
        if (a == "--port") {
            const PortNameParse parsed = ParsePortName(i + 1 < argc ? argv[++i] : "");
            if (!parsed.name) {
                std::cerr << "voran-cli: --port: " << parsed.error << "\n";
                return kUsage;
            }
            if (parsed.name->kind == PortName::Kind::Number)
                port = parsed.name->number;
            else
                portName = parsed.name;
            continue;
        }
        if (a == "--trace") {
            traceFile = i + 1 < argc ? argv[++i] : "";
            if (traceFile.empty() || traceFile.rfind("--", 0) == 0) {
                std::cerr << "voran-cli: --trace takes a file\n";
                return kUsage;
            }
            continue;
        }
        if (a == "--speed") {
            const std::optional<int> v = i + 1 < argc ? number(argv[++i]) : std::nullopt;
            if (v && (*v == 9600 || *v == 19200)) {
                speed = v;
            } else {
                std::cerr << "voran-cli: " << a << " takes 9600 or 19200\n";
                return kUsage;
            }
            continue;
        }
        if (a.rfind("--", 0) == 0) {
            std::cerr << "voran-cli: unknown option " << a << "\n";
            usage(std::cerr);
            return kUsage;
        }
        break;
    }
    if (i >= argc) {
        usage(std::cerr);
        return kUsage;
    }
    const std::string name = argv[i++];
    const std::vector<std::string> args(argv + i, argv + argc);
    const Command* command = nullptr;
    for (const Command& c : Commands())
        if (c.name == name) command = &c;
    if (command == nullptr) {
        std::cerr << "voran-cli: unknown command " << name << "\n";
        usage(std::cerr);
        return kUsage;
    }
    for (const std::string& a : args)
        if (isHelp(a)) {
            commandHelp(std::cout, *command);
            return kOk;
        }

    // The link's own warnings repeat what its message box says; they are
    // shown with --verbose (QT_LOGGING_RULES still overrides both).
    if (!verbose) QLoggingCategory::setFilterRules("voran.*.warning=false");

    const std::string folder = ProgramFolder();
    SystemClock clock;
    StderrMessageBox boxes;
#ifdef _WIN32
    QtSerialPort device(clock, folder);
#else
    PosixSerialPort device(clock, folder);
#endif
    NamedPort serial(clock, folder, device);
    serial.setName(portName);
    RSComm link(clock, boxes, folder);
    link.overrideSettings(port, speed);

    // The decoded traffic, into the trace file and the voran.link debug
    // log. Without either the link talks to the port directly.
    std::ofstream trace;
    if (!traceFile.empty()) {
        trace.open(traceFile, std::ios::out | std::ios::trunc);
        if (!trace) {
            std::cerr << "voran-cli: cannot write the trace " << traceFile << "\n";
            return kFailed;
        }
    }
    const bool logTraffic = lcLink().isDebugEnabled();
    TrafficPort traffic(serial, clock);
    TrafficTap tap(clock.now(), [&](const TrafficLine& line) {
        const std::string text = FormatTrafficLine(line);
        if (trace.is_open()) trace << text << "\n";
        if (logTraffic) qCDebug(lcLink, "%s", text.c_str());
    });
    const bool tapped = trace.is_open() || logTraffic;
    if (tapped) {
        traffic.setObserver(&tap);
        link.setObserver(&tap);
    }
    ISerialPort& linkPort = tapped ? static_cast<ISerialPort&>(traffic) : serial;

    bool opened = false;
    Context ctx{link,
                std::cout,
                std::cerr,
                folder,
                [&] {
                    const int boxesBefore = boxes.shown;
                    link.OpenRSComm(linkPort);
                    opened = true;
                    if (verbose)
                        std::cerr << "voran-cli: port " << link.settings().port << " at "
                                  << link.settings().speed << " bit/s"
                                  << (link.OnlineMode ? ", the board answered\n" : ", no link\n");
                    if (link.OnlineMode) return true;
                    // One line per fault: the port's box has already said why.
                    if (boxes.shown == boxesBefore) {
                        const PortName reached = serial.target();
                        std::cerr << "voran-cli: no link to the board on "
                                  << (portName ? reached.text()
                                               : "port " + std::to_string(link.settings().port) +
                                                     (reached.kind == PortName::Kind::Number
                                                          ? std::string()
                                                          : " (" + reached.text() + ")"))
                                  << " at " << link.settings().speed << " bit/s\n";
                    }
                    return false;
                },
                [&] { return link.CommError || boxes.shown > 0; }};
    ctx.quiet = quiet;
    ctx.verbose = verbose;
    int status = command->run(ctx, args);
    const bool fault = link.CommError;
    if (opened) link.CloseRSComm();
    if (trace.is_open()) {
        trace.close();
        if (!trace) {
            std::cerr << "voran-cli: the trace " << traceFile << " could not be written whole\n";
            if (status == kOk) status = kFailed;
        }
    }
    if (status == kOk && (fault || boxes.shown > 0)) status = kFailed;
    return status;
}

}  // namespace voran::cli

int main(int argc, char** argv) {
    return voran::cli::run(argc, argv);
}
