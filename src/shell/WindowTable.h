#pragma once

#include <functional>
#include <vector>

class QWidget;

namespace voran {

class AppContext;
class ChildWindow;

// One entry of the frame's Window menu: its caption and the function that
// builds the window. An entry without a factory is shown disabled.
struct WindowEntry {
    const char* caption;
    std::function<ChildWindow*(AppContext&, QWidget*)> create;
};

// The child windows the frame shows one at a time, in menu order. Adding a
// window is its file and one row here.
const std::vector<WindowEntry>& WindowTable();

// Positions in the table that the frame itself refers to.
inline constexpr int kMainDisplay = 0;
inline constexpr int kSetupParameters = 1;

}  // namespace voran
