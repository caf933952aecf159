#pragma once

#include <QIcon>

namespace voran {

// The program's icon (the can on the conveyor) in every size built into the
// program, so that it needs no SVG renderer.
QIcon ProgramIcon();

}  // namespace voran
