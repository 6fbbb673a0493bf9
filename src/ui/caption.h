#pragma once

class QMouseEvent;
class QPushButton;
class QWidget;

// What the captions of the borderless windows share.

// An icon button of a window's caption ("≡", "–", "×"): flat, reachable by the keyboard, with
// the string-table text `nameKey` as its accessible name and tooltip.
QPushButton* MakeCaptionButton(QWidget* parent, const char* name, const char* icon,
                               const char* nameKey);

// A left press in the top `captionHeight` pixels of `window` starts moving the window.
void MoveByCaption(QWidget& window, const QMouseEvent& press, int captionHeight);
