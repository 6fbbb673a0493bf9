#include "ui/placeholderpage.h"

#include "ui/theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr QSize kPictureSize(180, 140);
}

CPlaceholderPage::CPlaceholderPage(std::string_view titleKey, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 8, 32, 32);
    if (!titleKey.empty()) {
        auto* title = new QLabel(Theme::Text(titleKey), this);
        title->setProperty("role", QStringLiteral("pageTitle"));
        layout->addWidget(title);
    }
    layout->addStretch(2);
    auto* picture = new QLabel(this);
    picture->setPixmap(Theme::Pixmap("empty_page", kPictureSize, devicePixelRatioF()));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    layout->addStretch(3);
}
