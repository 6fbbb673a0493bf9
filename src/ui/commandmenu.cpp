#include "ui/commandmenu.h"

#include "ui/theme.h"

#include <algorithm>

namespace {

constexpr int kLeftOfButton = 10;
constexpr int kMinWidth = 150;

const char* const kStyleSheet = R"(
QMenu { background: #ffffff; border: 1px solid #d0d3d6; padding: 4px 0; }
QMenu::item { min-width: %1px; padding: %2px 24px %2px 20px; color: #1f2329; font-size: 13px; }
QMenu::item:selected { background: #f0f4ff; color: #3370ff; }
QMenu::separator { height: 1px; background: #e4e6e9; margin: 4px 12px; }
)";

} // namespace

CCommandMenu::CCommandMenu(const char* name, int itemHeight,
                           std::initializer_list<MenuEntry> entries, QWidget* parent)
    : QMenu(parent)
{
    setObjectName(QString::fromLatin1(name));
    const int padding = std::max(0, (itemHeight - fontMetrics().height()) / 2);
    setStyleSheet(QString::fromUtf8(kStyleSheet).arg(kMinWidth).arg(padding));
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
