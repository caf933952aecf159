// Gives the child-window base class its meta-object (one translation unit).
#include "window/ChildWindow.h"
