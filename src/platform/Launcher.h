#pragma once

#include <string>
#include <vector>

namespace voran {

// Hands files and programs to the platform: the help file to its viewer,
// the system-information program to the operating system.
class ILauncher {
public:
    virtual ~ILauncher() = default;
    // True when a file exists at `path` (the help file is optional).
    virtual bool fileExists(const std::string& path) const = 0;
    // Opens a document with the viewer the platform associates with it,
    // at its contents page. False when the platform could not start one.
    virtual bool openDocument(const std::string& path) = 0;
    // Starts another program, detached. False when it could not be started.
    virtual bool startProgram(const std::string& program, const std::vector<std::string>& args) = 0;
};

}  // namespace voran
