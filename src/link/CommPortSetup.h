#pragma once

#include <string>
#include <vector>

#include "link/PortSettings.h"
#include "platform/FileReplace.h"

namespace voran {

// The files behind Edit > Comm Port: the link's RSPort.cfg and, for the
// controller's programming tool, a TARNIX.SFG in each of its folders beside
// the program (TNX51, TNX96, PLS51) that exists. The tool numbers its ports
// from 0, so port 1 is written as "0".

// Reading RSPort.cfg for the settings window. A missing or empty file gives
// the defaults; a port outside 1 .. 99 is clamped.
struct PortSettingsLoad {
    PortSettings settings;
    bool ok = true;
    int errorNumber = 0;
    std::string error;
};
PortSettingsLoad LoadPortSettings(const std::string& settingsFile);

// The TARNIX.SFG paths of the tool folders that exist under the program
// folder, in the order TNX51, TNX96, PLS51 (names matched without regard to
// case, so an existing "tnx51/tarnix.sfg" is the one replaced).
std::vector<std::string> ToolSettingsFiles(const std::string& programFolder);

// "0" for port 1.
std::string ToolSettingsText(const PortSettings& s);

// Writes RSPort.cfg (creating its folder when needed), then each tool
// folder's TARNIX.SFG, each file replaced whole. Stops at the first file
// that cannot be written and says which; files not reached keep their
// contents.
FileWriteResult SavePortSettings(const std::string& settingsFile, const std::string& programFolder,
                                 const PortSettings& s);

}  // namespace voran
