#pragma once

#include <QLoggingCategory>

// The program's logging categories, all off below warnings by default.
// Enable with the standard rules, e.g. QT_LOGGING_RULES="voran.link.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLink)   // voran.link: every byte on the wire
Q_DECLARE_LOGGING_CATEGORY(lcData)   // voran.data: set-up files and transfers
Q_DECLARE_LOGGING_CATEGORY(lcShell)  // voran.shell: windows and timers
Q_DECLARE_LOGGING_CATEGORY(lcSim)    // voran.sim: the simulated board
