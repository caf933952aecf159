#pragma once

class QWidget;

namespace voran {

// No button of a window or dialog is a default button: Enter never presses
// a button that the operator did not put the focus on, and a button that
// has the focus is pressed by Space or a click only. An Alt+letter that
// leaves the focus on a command followed by Enter therefore sends nothing.
// Called once the window's buttons exist (dialogs at the end of their
// constructor; child windows when they are shown).
void NoDefaultButtons(QWidget* window);

}  // namespace voran
