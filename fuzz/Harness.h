#pragma once

// What the fuzz targets share: the invariant check that stops a run, and the
// link on the in-process simulated board with a manual clock.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "FakeMessageBox.h"
#include "SimBoard.h"
#include "SimPort.h"
#include "link/RSComm.h"

namespace voran::fuzz {

// A broken invariant: says which and aborts, so that libFuzzer keeps the
// input that did it.
[[noreturn]] inline void Broken(const std::string& what) {
    std::fprintf(stderr, "\ninvariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool holds, const std::string& what) {
    if (!holds) Broken(what);
}

// One program folder for the whole run, with its RSPort.cfg in place, so that
// opening the link costs no file writes.
inline const std::string& ProgramFolder() {
    // Kept to the very end of the run: the exit handler still needs it.
    static const std::string* const folder = [] {
        const auto* path = new std::string(std::filesystem::temp_directory_path().string() +
                                           "/voran-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(*path + "/Support");
        std::ofstream(*path + "/Support/RSPort.cfg") << "1,9600\n";
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ProgramFolder(), ec);
        });
        return path;
    }();
    return *folder;
}

// The link, open and online, on a fresh simulated board. `port` is what the
// link talks to: the board's own SimPort unless a target puts something
// between them.
struct SimRig {
    ManualClock clock;
    testing::FakeMessageBox messages;
    sim::SimBoard board;
    sim::SimPort simPort{board, clock};
    RSComm link{clock, messages, ProgramFolder()};

    void open(ISerialPort& port) { link.OpenRSComm(port); }
    void open() { open(simPort); }
};

}  // namespace voran::fuzz
