// The man pages cannot fall behind the programs: every option and every
// voran-cli command that a program's --help names (and each command's own
// --help) must appear in its page.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "ProgramRun.h"

namespace voran::testing {
namespace {

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

}  // namespace
}  // namespace voran::testing
