#include "ui/keyboard.h"

#include <QPushButton>

namespace Keyboard {

void MakeReachable(QPushButton* button)
{
    button->setFocusPolicy(Qt::StrongFocus);
    // Outside a dialog this only makes Enter click the focused button.
    button->setAutoDefault(true);
}

} // namespace Keyboard
