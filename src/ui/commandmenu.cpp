#include "ui/commandmenu.h"

#include "ui/theme.h"

namespace {

constexpr int kLeftOfButton = 10;

} // namespace

CCommandMenu::CCommandMenu(const char* name, std::initializer_list<MenuEntry> entries,
                           QWidget* parent)
    : QMenu(parent)
{
    setObjectName(QString::fromLatin1(name));
    Append(entries);
}

void CCommandMenu::Append(std::initializer_list<MenuEntry> entries)
{
    for (const MenuEntry& entry : entries) {
        if (entry.id == 0) {
            addSeparator();
            continue;
        }
        QAction* action = addAction(Theme::Text(entry.textKey));
        action->setObjectName(QStringLiteral("menuItem_%1").arg(entry.id));
        connect(action, &QAction::triggered, this,
                [this, id = entry.id] { emit commandChosen(id); });
    }
}

void CCommandMenu::PopupBelow(const QWidget& button)
{
    popup(button.mapToGlobal(QPoint(-kLeftOfButton, button.height())));
}
