#include "ProgramRun.h"

#include "Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace voran::testing {

namespace fs = std::filesystem;

pid_t Spawn(std::vector<std::string> args, int outFd, int errFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "voran-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
}

void TempFolder::write(const std::string& relative, const std::string& content) const {
    const fs::path p = path(relative);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

std::optional<std::string> TempFolder::read(const std::string& relative) const {
    std::ifstream in(path(relative), std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

SimProgramFolder::~SimProgramFolder() {
    stopSim();
}

bool SimProgramFolder::startSim(int port, const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::vector<std::string> argv = {std::string(VORAN_BIN_DIR) + "/k900-sim", "--folder", path(),
                                     "--port", std::to_string(port)};
    argv.insert(argv.end(), args.begin(), args.end());
    sim_ = Spawn(argv, fds[1], fds[1]);
    close(fds[1]);
    // "device <pty>" comes first, then "link <path>" once the link is made.
    pollfd p{fds[0], POLLIN, 0};
    char buf[256];
    ssize_t n = 1;
    link.clear();
    while (sim_ > 0 && link.empty() && poll(&p, 1, 10000) > 0 &&
           (n = ::read(fds[0], buf, sizeof buf)) > 0) {
        said.append(buf, static_cast<std::size_t>(n));
        std::istringstream lines(said);
        for (std::string line; std::getline(lines, line) && !lines.eof();) {
            if (line.rfind("device ", 0) == 0) device = line.substr(7);
            if (line.rfind("link ", 0) == 0) link = line.substr(5);
            if (line.rfind("listen ", 0) == 0) link = line.substr(7);
        }
    }
    ended_ = n <= 0 && link.empty();
    close(fds[0]);
    return !link.empty();
}

bool SimProgramFolder::startBoard(int port, int speed, const std::string& preset,
                                  const std::vector<std::string>& args) {
    write("Support/RSPort.cfg", std::to_string(port) + "," + std::to_string(speed) + "\n");
    write("board.preset", preset);
    std::vector<std::string> all = {"--preset", path("board.preset")};
    all.insert(all.end(), args.begin(), args.end());
    return startSim(port, all);
}

int SimProgramFolder::stopSim() {
    if (sim_ <= 0) return -1;
    int status = -1;
    if (!ended_) kill(sim_, SIGTERM);
    waitpid(sim_, &status, 0);
    sim_ = -1;
    ended_ = false;
    return status;
}

RunResult SimProgramFolder::run(const std::string& program, const std::vector<std::string>& args) {
    const std::string exe = path(program);
    std::error_code ec;
    if (!fs::exists(exe)) fs::copy_file(fs::path(VORAN_BIN_DIR) / program, exe, ec);
    const int outFd = open(path(".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = open(path(".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv = {exe};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = Spawn(argv, outFd, errFd);
    close(outFd);
    close(errFd);
    int status = 0;
    RunResult r;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        r.status = WEXITSTATUS(status);
    r.out = read(".out").value_or("");
    r.err = read(".err").value_or("");
    return r;
}

}  // namespace voran::testing
