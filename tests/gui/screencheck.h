#pragma once

// Checks of what a user sees in a window as drawn: the controls that must be there are shown
// inside it, no text is cut off, and the parts that carry content are not blank.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

namespace ScreenCheck {

// Where screenshots go: DOKORA_SCREENSHOT_DIR when set (docs/screenshots holds the committed
// ones), else `fallback`.
inline QString OutputDir(const std::string& fallback)
{
    const char* dir = std::getenv("DOKORA_SCREENSHOT_DIR");
    return dir && *dir ? QString::fromLocal8Bit(dir) : QString::fromStdString(fallback);
}

inline std::string Describe(const QWidget& widget)
{
    return std::string(widget.metaObject()->className()) + " \"" +
           widget.objectName().toStdString() + "\"";
}

// The widget's rectangle in `window`'s coordinates, as far as it is not clipped by a parent.
inline QRect VisibleRect(const QWidget& window, const QWidget& widget)
{
    QRect visible(widget.mapTo(&window, QPoint(0, 0)), widget.size());
    for (const QWidget* parent = widget.parentWidget(); parent && parent != &window;
         parent = parent->parentWidget()) {
        visible &= QRect(parent->mapTo(&window, QPoint(0, 0)), parent->size());
    }
    return visible & window.rect();
}

// The control named `name`; of several, the first one shown. Null when there is none.
inline const QWidget* Find(const QWidget& window, const char* name)
{
    const auto found = window.findChildren<QWidget*>(QString::fromLatin1(name));
    for (const QWidget* widget : found)
        if (widget->isVisibleTo(&window))
            return widget;
    return found.isEmpty() ? nullptr : found.front();
}

// The control named `name` exists, is shown, and lies wholly inside the window.
inline ::testing::AssertionResult Shown(const QWidget& window, const char* name)
{
    const QWidget* widget = Find(window, name);
    if (!widget)
        return ::testing::AssertionFailure() << name << " is missing";
    if (!widget->isVisibleTo(&window))
        return ::testing::AssertionFailure() << name << " is hidden";
    const QRect full(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    if (full.isEmpty() || VisibleRect(window, *widget) != full)
        return ::testing::AssertionFailure()
               << name << " at " << full.x() << "," << full.y() << " " << full.width() << "x"
               << full.height() << " is not wholly inside the window";
    return ::testing::AssertionSuccess();
}

// Room the text of a shown control needs beyond what it has, in pixels; 0 when it fits.
inline int Shortfall(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
            return 0;
        const QRect room = label->contentsRect();
        if (label->wordWrap())
            return std::max(0, label->heightForWidth(label->width()) - label->height());
        const QSize needed = label->fontMetrics().size(Qt::TextShowMnemonic, label->text());
        return std::max({0, needed.width() - room.width(), needed.height() - room.height()});
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        if (button->text().isEmpty())
            return 0;
        // What the style needs around the text and the icon, as the button would ask for.
        const QSize wanted = button->sizeHint();
        return std::max({0, wanted.width() - button->width(), wanted.height() - button->height()});
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        const QString shown = edit->text().isEmpty() ? edit->placeholderText() : QString();
        if (shown.isEmpty())
            return std::max(0, edit->fontMetrics().height() - edit->contentsRect().height());
        // A placeholder does not scroll: it must fit as it is.
        const QSize needed = edit->fontMetrics().size(0, shown);
        return std::max({0, needed.width() - edit->contentsRect().width() + 8,
                         needed.height() - edit->contentsRect().height()});
    }
    return 0;
}

// Every shown label, button and edit of the window has room for its whole text.
inline ::testing::AssertionResult TextsFit(const QWidget& window)
{
    std::string cut;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        if (const int missing = Shortfall(*widget))
            cut += "; " + Describe(*widget) + " lacks " + std::to_string(missing) + " px";
    }
    if (cut.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "texts cut off" << cut;
}

// Pixels of `area` (in the window's coordinates) that differ clearly from the area's most
// common colour, its background: text, icons, bars.
inline int InkIn(const QImage& image, const QRect& area)
{
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels(QPoint(qRound(area.left() * ratio), qRound(area.top() * ratio)),
                       area.size() * ratio);
    const QRect inside = pixels & image.rect();
    std::map<QRgb, int> counts;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y)];
    if (counts.empty())
        return 0;
    QRgb background = counts.begin()->first;
    for (const auto& [colour, count] : counts)
        if (count > counts[background])
            background = colour;
    int ink = 0;
    for (const auto& [colour, count] : counts) {
        const int distance = std::abs(qRed(colour) - qRed(background)) +
                             std::abs(qGreen(colour) - qGreen(background)) +
                             std::abs(qBlue(colour) - qBlue(background));
        if (distance > 60)
            ink += count;
    }
    return ink;
}

// The part of `image`, a grab of `window`, where `part` lies is not blank.
inline ::testing::AssertionResult Drawn(const QWidget& window, const QImage& image,
                                        const QWidget& part)
{
    if (InkIn(image, VisibleRect(window, part)) > 20)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Describe(part) << " is blank in the picture";
}

// Every shown label and button with a text shows it: its part of `image` is not blank. Those
// scrolled wholly out of sight are not looked at.
inline ::testing::AssertionResult TextsDrawn(const QWidget& window, const QImage& image)
{
    std::string blank;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        const QString text = label ? label->text() : button ? button->text() : QString();
        if (text.isEmpty() || !widget->isVisibleTo(&window) ||
            VisibleRect(window, *widget).isEmpty())
            continue;
        if (!Drawn(window, image, *widget))
            blank += "; " + Describe(*widget);
    }
    if (blank.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "texts not drawn" << blank;
}

// Every row of the list shows something in each of its first `columns` columns.
inline ::testing::AssertionResult RowsDrawn(const QWidget& window, const QImage& image,
                                            const QAbstractItemView& list, int columns)
{
    const QAbstractItemModel* model = list.model();
    if (!model || model->rowCount() == 0)
        return ::testing::AssertionFailure() << Describe(list) << " has no rows";
    const QPoint origin = list.viewport()->mapTo(&window, QPoint(0, 0));
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < columns; ++column) {
            const QRect cell = list.visualRect(model->index(row, column)).translated(origin);
            if (InkIn(image, cell) <= 20)
                return ::testing::AssertionFailure()
                       << Describe(list) << ": row " << row << ", column " << column
                       << " is blank in the picture";
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace ScreenCheck
