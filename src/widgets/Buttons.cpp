#include "widgets/Buttons.h"

#include <QPushButton>

namespace voran {

void NoDefaultButtons(QWidget* window) {
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        b->setDefault(false);
        b->setAutoDefault(false);
    }
}

}  // namespace voran
