// What the programs answer to --help and --version, and voran-bench's refusal
// of a count it cannot use.
#include <gtest/gtest.h>

#include "ProgramRun.h"
#include "ScopedEnv.h"
#include "Version.h"

namespace voran::testing {
namespace {

TEST(CommandLine, EveryProgramSaysItsVersionAndHelpWithoutADisplay) {
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
}

TEST(CommandLine, BenchRefusesACountItCannotUseAndAnswersHelp) {
    SimProgramFolder folder;
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

}  // namespace
}  // namespace voran::testing
