// --help and --version of every program, voran-bench's refusals, man pages
// that name every option and command the programs' help names, and
// voran-cli's habits for scripts (--json, --quiet, one-line errors, the read
// logger, "-" for standard output) against k900-sim over a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "ProgramRun.h"
#include "ScopedEnv.h"
#include "Version.h"

namespace voran::testing {
namespace {

TEST(CommandLine, EveryProgramSaysItsVersionAndHelpWithoutADisplayAndBenchRefusesABadCount) {
    // Were voran to open its window first, the X11 platform without an X
    // server would end it before it answers.
    const ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
    const ScopedEnv display("DISPLAY", ":none");
    SimProgramFolder folder;
    const std::pair<const char*, const char*> versions[] = {
        {"voran", "VORAN " VORAN_VERSION "\n"},
        {"voran-cli", "voran-cli " VORAN_VERSION "\n"},
        {"k900-sim", "k900-sim " VORAN_VERSION "\n"}};
    for (const auto& [program, expected] : versions) {
        for (const char* option : {"--version", "-v"}) {
            const RunResult r = folder.run(program, {option});
            EXPECT_EQ(r.status, 0) << program << " " << option << r.err;
            EXPECT_EQ(r.out, expected) << program << " " << option;
        }
        for (const char* option : {"--help", "-h"}) {
            const RunResult r = folder.run(program, {option});
            EXPECT_EQ(r.status, 0) << program << " " << option << r.err;
            EXPECT_NE(r.out.find("sage: "), std::string::npos) << program << r.out;
            EXPECT_NE(r.out.find("--version"), std::string::npos) << program << r.out;
        }
    }
    // voran-bench refuses a count it cannot use and answers --help.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"abc"}, {"0"}, {"-5"}, {"12x"}, {"2000000"}, {"10", "20"}, {""}}) {
        const RunResult r = folder.run("voran-bench", args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        EXPECT_NE(r.err.find("usage: voran-bench [PAIRS]"), std::string::npos) << r.err;
    }
    const RunResult help = folder.run("voran-bench", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: voran-bench [PAIRS]\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
}

std::string ManPage(const std::string& program) {
    std::ifstream in(std::string(VORAN_SOURCE_DIR) + "/packaging/man/" + program + ".1.in");
    std::stringstream s;
    s << in.rdbuf();
    // roff writes a hyphen as "\-" and changes fonts with "\fB", "\fR"...
    const std::string plain = std::regex_replace(s.str(), std::regex(R"(\\f[BIRP])"), "");
    return std::regex_replace(plain, std::regex(R"(\\-)"), "-");
}

// "--port", "-q": an option standing after a blank, "[", "(", "," or "|".
std::set<std::string> OptionsIn(const std::string& help) {
    std::set<std::string> found;
    static const std::regex option(R"((?:^|[\s\[(,|])(--?[A-Za-z][A-Za-z0-9-]*))");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
         it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    return found;
}

// The command names listed under "Commands:" (two blanks, then the name).
std::set<std::string> CommandsIn(const std::string& help) {
    std::set<std::string> found;
    const std::size_t from = help.find("Commands:\n");
    if (from == std::string::npos) return found;
    std::istringstream lines(help.substr(from + 10));
    static const std::regex command(R"(^  ([a-z][a-z-]*)\b.*)");
    std::smatch m;
    for (std::string line; std::getline(lines, line) && !line.empty();)
        if (std::regex_match(line, m, command)) found.insert(m[1]);
    return found;
}

// A word of the page on its own: not the start of a longer option.
bool Names(const std::string& page, const std::string& word) {
    const std::regex whole("(^|[^A-Za-z0-9-])" + std::regex_replace(word, std::regex("-"), "\\-") +
                           "($|[^A-Za-z0-9-])");
    return std::regex_search(page, whole);
}

TEST(ManPages, NameEveryOptionAndCommandTheProgramsHelpNames) {
    SimProgramFolder folder;
    for (const std::string program : {"voran", "voran-cli", "k900-sim"}) {
        const RunResult help = folder.run(program, {"--help"});
        ASSERT_EQ(help.status, 0) << program << help.err;
        std::string texts = help.out;
        const std::set<std::string> commands = CommandsIn(help.out);
        for (const std::string& c : commands) {
            const RunResult own = folder.run(program, {c, "--help"});
            EXPECT_EQ(own.status, 0) << program << " " << c << own.err;
            EXPECT_EQ(own.out.rfind("usage: " + program + " [OPTIONS] " + c, 0), 0u) << own.out;
            texts += own.out;
        }
        if (program == "voran-cli") {
            EXPECT_GE(commands.size(), 10u) << help.out;
        }

        const std::string page = ManPage(program);
        ASSERT_FALSE(page.empty()) << program;
        std::set<std::string> words = OptionsIn(texts);
        EXPECT_GE(words.size(), 5u) << program;
        words.insert(commands.begin(), commands.end());
        for (const std::string& w : words)
            EXPECT_TRUE(Names(page, w)) << program << "(1) does not name " << w;
    }
}

class CliHabits : public ::testing::Test {
protected:
    void SetUp() override {
        folder.write("Support/FaultErrCodes.txt", "42,\"Overload, station 3\"\n0A,Parity\n");
        ASSERT_TRUE(
            folder.startBoard(9, 19200, "B8176 66\nB8177 10\nB8159 23\nW182 1000\nD1100 19999\n"))
            << folder.said;
    }
    std::string cli(const std::vector<std::string>& args) { return folder.cliSays(args); }
    SimProgramFolder folder;
};

TEST_F(CliHabits, JsonGivesOneObjectWithFixedKeysAndNumbers) {
    EXPECT_EQ(cli({"read", "--json", "B8176", "W182", "D1100"}),
              "0|{\"values\":{\"B8176\":66,\"W182\":1000,\"D1100\":19999}}\n|");
    EXPECT_EQ(cli({"status", "--json"}),
              "0|{\"current_fault\":{\"code\":66,\"text\":\"Fault Code (42H): Overload, station "
              "3\"},\"last_fault\":{\"code\":10,\"text\":\"Fault Code (0AH): Parity\"},"
              "\"firmware_revision\":23,\"program_ident\":\"\",\"program_revision\":0,"
              "\"program_checksum\":0}\n|");

    const std::string file = folder.path("line.sdt");
    ASSERT_EQ(cli({"-q", "upload", file}), "0||");
    EXPECT_EQ(cli({"compare", "--json", file}),
              "0|{\"file\":\"" + file + "\",\"same\":true,\"differences\":[]}\n|");
    ASSERT_EQ(cli({"write", "W1004", "61"}), "0||");
    EXPECT_EQ(cli({"compare", file, "--json"}),
              "3|{\"file\":\"" + file +
                  "\",\"same\":false,\"differences\":[{\"section\":\"set-up\",\"item\":2,"
                  "\"address\":\"W1004\",\"what\":\"Station 03 shifts\",\"file\":0,\"board\":61}]}"
                  "\n|");
    EXPECT_EQ(cli({"read", "--json"}).substr(0, 3), "2||");
}

TEST_F(CliHabits, QuietSaysNothingOnSuccessAndEveryErrorIsOneLine) {
    const std::string file = folder.path("a.sdt");
    EXPECT_EQ(cli({"upload", file}), "0|uploaded " + file + "\n|");
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"-q", "upload", file},
                                               {"upload", "--quiet", file},
                                               {"--quiet", "write", "W182", "7"}})
        EXPECT_EQ(cli(args), "0||") << args[0] << args[1];
    EXPECT_EQ(cli({"-q", "read", "W182"}), "0|7\n|");
    EXPECT_EQ(cli({"-q", "--verbose", "read", "W182"}).substr(0, 3), "2||");
    EXPECT_EQ(cli({"--verbose", "read", "W182"}),
              "0|7\n|voran-cli: port 9 at 19200 bit/s, the board answered\n");

    const RunResult noPort = folder.cli({"--port", "98", "read", "B8176"});
    EXPECT_EQ(noPort.status, 1);
    EXPECT_EQ(noPort.out, "");
    EXPECT_EQ(noPort.err.rfind("Comm Port Error: Error Number = ", 0), 0u) << noPort.err;
    EXPECT_EQ(std::count(noPort.err.begin(), noPort.err.end(), '\n'), 1) << noPort.err;
}

TEST_F(CliHabits, ReadEveryPrintsOneTimeStampedLineARound) {
    const RunResult plain = folder.cli({"read", "--every", "0.1", "--count", "3", "W182", "D1100"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    const RunResult json = folder.cli({"read", "W182", "--json", "--count", "2", "--every", "0.1"});
    EXPECT_EQ(json.status, 0) << json.err;
    const std::string stamp = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)";
    const std::pair<const RunResult*, std::string> expected[] = {
        {&plain, "(" + stamp + " 1000 19999\n){3}"},
        {&json, R"((\{"time":")" + stamp + R"(","values":\{"W182":1000\}\}\n){2})"}};
    for (const auto& [run, pattern] : expected)
        EXPECT_TRUE(std::regex_match(run->out, std::regex(pattern))) << run->out;

    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--every", "0", "W182"},
                                               {"--every", "x", "W182"},
                                               {"--every", "1", "--count", "0", "W182"},
                                               {"--count", "2", "W182"},
                                               {"W182", "--every"}}) {
        std::vector<std::string> read{"read"};
        read.insert(read.end(), args.begin(), args.end());
        EXPECT_EQ(cli(read).substr(0, 3), "2||") << args[0] << " " << args[1];
    }
}

TEST_F(CliHabits, ReportAndExportWriteToStandardOutputForADash) {
    const std::string file = folder.path("a.sdt");
    ASSERT_EQ(cli({"-q", "upload", file}), "0||");
    ASSERT_EQ(cli({"-q", "export", file, folder.path("a.txt")}), "0||");
    ASSERT_EQ(cli({"-q", "export", file, folder.path("a.csv")}), "0||");
    EXPECT_EQ(cli({"export", file, "-"}), "0|" + *folder.read("a.txt") + "|");
    EXPECT_EQ(cli({"export", "--csv", file, "-"}), "0|" + *folder.read("a.csv") + "|");
    EXPECT_EQ(cli({"export", "--csv", file, folder.path("b.txt")}).substr(0, 3), "2||");

    const RunResult pdf = folder.cli({"report", file, "-"});
    EXPECT_EQ(pdf.status, 0) << pdf.err;
    EXPECT_EQ(pdf.out.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.out.find("%%EOF"), std::string::npos);
}

// k900-sim --demo runs the line from the examples' demonstration preset: the
// preset's counts, moving, on a board that holds the examples' program set.
TEST(Demo, TheSimulatorsDemoRunsTheLineFromTheExamplesPreset) {
    SimProgramFolder folder;
    folder.write("Support/RSPort.cfg", "9,19200\n");
    ASSERT_TRUE(folder.startSim(9, {"--demo"})) << folder.said;
    const RunResult first = folder.cli({"read", "W1042", "D1100"});
    ASSERT_EQ(first.status, 0) << first.err;
    std::istringstream values(first.out);
    long shifts = 0, goodCans = 0;
    values >> shifts >> goodCans;
    EXPECT_EQ(shifts, 4095);
    EXPECT_GE(goodCans, 412873);
    const RunResult later = folder.cli({"read", "--every", "0.5", "--count", "3", "D1100"});
    std::istringstream rounds(later.out);
    std::string stamp;
    long last = 0;
    while (rounds >> stamp >> last) {
    }
    EXPECT_GT(last, goodCans) << later.out;

    const RunResult status = folder.cli({"status", "--json"});
    EXPECT_NE(status.out.find(R"("program_ident":"DEMOLINE","program_revision":2,)"
                              R"("program_checksum":90})"),
              std::string::npos)
        << status.out << status.err;
}

}  // namespace
}  // namespace voran::testing
