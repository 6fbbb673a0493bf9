#pragma once

class QPushButton;
class QWidget;

// An icon button of a window's caption ("≡", "–", "×"): flat, reachable by the keyboard, with
// the string-table text `nameKey` as its accessible name and tooltip.
QPushButton* MakeCaptionButton(QWidget* parent, const char* name, const char* icon,
                               const char* nameKey);
