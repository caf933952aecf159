#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace voran::testing {

// Starts args[0] (a path, or a program found on PATH) with stdout on outFd,
// stderr on errFd and stdin from /dev/null (a program never waits for a
// terminal); -1 on failure.
pid_t Spawn(std::vector<std::string> args, int outFd, int errFd);

}  // namespace voran::testing
