#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcLink, "voran.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcData, "voran.data", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShell, "voran.shell", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSim, "voran.sim", QtWarningMsg)
