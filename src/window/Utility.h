#pragma once

#include <string>

class QWidget;
class QLineEdit;

namespace voran {

// Moves a window so that it is centred on its screen.
void CenterForm(QWidget* form);
// Selects the whole text of an entry box (used when it gets the focus).
void SelectAllText(QLineEdit* box);
// The absolute folder of `path`, its base name, "." and `extension`:
// ChangeExtension("lines/line3.tnx", "hex") -> "<cwd>/lines/line3.hex".
std::string ChangeExtension(const std::string& path, const std::string& extension);

}  // namespace voran
