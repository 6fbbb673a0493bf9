#pragma once

class QPushButton;

// What every clickable control of the window needs to work from the keyboard.
namespace Keyboard {

// The button takes focus by Tab and by click, and Enter acts on it as Space does.
void MakeReachable(QPushButton* button);

} // namespace Keyboard
