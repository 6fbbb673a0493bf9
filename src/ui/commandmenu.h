#pragma once

#include <QMenu>

#include <initializer_list>

// One entry of a pop-up menu: its command id and the string-table key of its text. Id 0 is a
// separator.
struct MenuEntry
{
    int id = 0;
    const char* textKey = nullptr;
};

// A pop-up menu of numbered commands, as the tray, the caption's "≡" and the settings window
// show them: each item is the action "menuItem_<id>", and choosing it emits its id. Owned by
// the window that shows it.
class CCommandMenu : public QMenu
{
    Q_OBJECT

public:
    // Items `itemHeight` pixels high, at least 150 wide.
    CCommandMenu(const char* name, int itemHeight, std::initializer_list<MenuEntry> entries,
                 QWidget* parent);

    void Append(std::initializer_list<MenuEntry> entries);
    // Opens below `button`, 10 pixels left of its left edge.
    void PopupBelow(const QWidget& button);

signals:
    void commandChosen(int id);
};
