#include "ui/dialogframe.h"

#include "ui/caption.h"
#include "ui/theme.h"

#include <QColor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

CFramedDialog::CFramedDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
}

void CFramedDialog::mousePressEvent(QMouseEvent* event)
{
    MoveByCaption(*this, *event, kCaptionHeight);
    QDialog::mousePressEvent(event);
}

void CFramedDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, Qt::white);
    painter.fillRect(QRect(0, 0, area.width(), kCaptionHeight), QColor(0xf7, 0xf8, 0xfa));
    painter.setPen(QColor(Theme::kBorder));
    painter.drawLine(0, kCaptionHeight - 1, area.width(), kCaptionHeight - 1);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const char* role)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("role", QString::fromLatin1(role));
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeDialogTitle(QWidget* dialog, int width, const QString& text)
{
    auto* title = new QLabel(text, dialog);
    title->setObjectName(QStringLiteral("txt_title"));
    title->setGeometry(16, 0, width - 72, CFramedDialog::kCaptionHeight);
    return title;
}

QLabel* MakeAttentionIcon(QWidget* dialog, int size)
{
    auto* icon = new QLabel(dialog);
    icon->setObjectName(QStringLiteral("img_attention_icon"));
    icon->setPixmap(Theme::Pixmap("attention", QSize(size, size), dialog->devicePixelRatioF()));
    icon->resize(size, size);
    return icon;
}

QLabel* MakeAttentionText(QWidget* dialog)
{
    auto* text = new QLabel(dialog);
    text->setObjectName(QStringLiteral("txt_attention_string"));
    text->setWordWrap(true);
    return text;
}
