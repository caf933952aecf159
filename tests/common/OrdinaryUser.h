#pragma once

#include <functional>
#include <string>

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace voran::testing {

// The user and group a superuser test process becomes in RunAsOrdinaryUser.
inline constexpr uid_t kOrdinaryUid = 65534;  // nobody
inline constexpr gid_t kOrdinaryGid = 65534;

// Runs `body` in a child process as an ordinary user: the superuser gives up
// its rights there (permission checks do not apply to it, so a folder that
// refuses new files never refuses it); anyone else stays who they are.
// `fileSizeLimit` >= 0 also makes every write past that many bytes fail as
// a full disk would. `body` returns "" when all went as expected, otherwise
// what went wrong; so does RunAsOrdinaryUser.
inline std::string RunAsOrdinaryUser(const std::function<std::string()>& body,
                                     long long fileSizeLimit = -1) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child < 0) return "no child process";
    if (child == 0) {
        ::close(out[0]);
        std::string result;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kOrdinaryGid) != 0 ||
                                 ::setuid(kOrdinaryUid) != 0))
            result = "cannot become an ordinary user";
        if (result.empty() && fileSizeLimit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit),
                               static_cast<rlim_t>(fileSizeLimit)};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) result = "cannot limit the file size";
        }
        if (result.empty()) result = body();
        [[maybe_unused]] const auto written = ::write(out[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) result.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status)) return "the child process ended abnormally: " + result;
    return result;
}

}  // namespace voran::testing
