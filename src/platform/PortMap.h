#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/FileReplace.h"
#include "platform/PortName.h"

namespace voran {

// Which device or network address a COM number stands for in a program
// folder: Support/PortMap.cfg beside RSPort.cfg, one line per mapped number,
// "3,/dev/serial/by-id/usb-FTDI_..." or "4,socket://10.1.2.3:4001". So
// RSPort.cfg keeps its "port,speed" line, the programming tool keeps its
// port number, and a USB adapter needs no hand-made link. A number without a
// line opens Support/COM<n> or /dev/ttyS<n-1> as before.
inline constexpr const char* kPortMapFile = "Support/PortMap.cfg";

// The mapping a text holds. Lines that do not read as "number,name" (a
// number 1 .. 99 and a device path or network name) are skipped; where a
// number has two lines, the later one counts.
std::map<int, PortName> ParsePortMap(const std::string& content);
std::string FormatPortMap(const std::map<int, PortName>& map);

// The mapping of the program folder's file (empty when there is none).
std::map<int, PortName> LoadPortMap(const std::string& folder);
std::optional<PortName> MappedPort(const std::string& folder, int number);

// Maps `number` to `name`, or takes its line out when `name` is empty or a
// plain COM number; the other lines stay. The file is replaced whole.
FileWriteResult SavePortMapping(const std::string& folder, int number,
                                const std::optional<PortName>& name);

}  // namespace voran
