#pragma once

#include "platform/Launcher.h"

namespace voran {

// Opens documents through the desktop's file associations and starts
// programs detached.
class QtLauncher : public ILauncher {
public:
    bool fileExists(const std::string& path) const override;
    bool openDocument(const std::string& path) override;
    bool startProgram(const std::string& program, const std::vector<std::string>& args) override;
};

}  // namespace voran
