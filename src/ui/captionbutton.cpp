#include "ui/captionbutton.h"

#include "ui/keyboard.h"
#include "ui/theme.h"

#include <QPushButton>

QPushButton* MakeCaptionButton(QWidget* parent, const char* name, const char* icon,
                               const char* nameKey)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QStringLiteral("caption"));
    button->setIcon(Theme::Icon(icon));
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(36, 32);
    button->setAccessibleName(Theme::Text(nameKey));
    button->setToolTip(button->accessibleName());
    Keyboard::MakeReachable(button);
    return button;
}
