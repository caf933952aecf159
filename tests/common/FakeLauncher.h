#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/Launcher.h"

namespace voran::testing {

// Knows the files it is told exist and records what it was asked to open or
// start.
class FakeLauncher : public ILauncher {
public:
    bool fileExists(const std::string& path) const override { return existing.count(path) > 0; }
    bool openDocument(const std::string& path) override {
        opened.push_back(path);
        return opens;
    }
    bool startProgram(const std::string& program, const std::vector<std::string>&) override {
        started.push_back(program);
        return true;
    }

    std::set<std::string> existing;
    bool opens = true;
    std::vector<std::string> opened;
    std::vector<std::string> started;
};

}  // namespace voran::testing
