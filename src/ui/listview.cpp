#include "ui/listview.h"

#include "ui/keyboard.h"
#include "ui/mclistadapterbase.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace {

QPushButton* MakeRowButton(QWidget* parent, const ListView::RowButtonSpec& spec)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(spec.name));
    button->setProperty("role", QStringLiteral("rowButton"));
    button->setIcon(Theme::Icon(spec.icon));
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(28, 28);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(Theme::Text(spec.tooltipKey));
    Keyboard::MakeReachable(button);
    return button;
}

} // namespace

namespace ListView {

QTableView* Make(QWidget* parent, const char* name, CMcListAdapterBase* model)
{
    auto* view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    model->SetListView(view);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The view itself is no stop for Tab; its row buttons are.
    view->setFocusPolicy(Qt::NoFocus);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideMiddle);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    QHeaderView* header = view->horizontalHeader();
    header->setObjectName(QString::fromLatin1(name) + QStringLiteral("_header"));
    header->setFixedHeight(kHeaderHeight);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    const int widths[] = {320, 170, 150};
    for (int column = 0; column < 3; ++column) {
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        header->resizeSection(column, widths[column]);
    }
    header->setStretchLastSection(true);
    return view;
}

void NameRowButtons(QWidget* cell, const QString& fileName)
{
    for (QPushButton* button : cell->findChildren<QPushButton*>())
        button->setAccessibleName(button->toolTip() + QLatin1Char(' ') + fileName);
}

QWidget* MakeButtonCell(QWidget* parent, std::span<const RowButtonSpec> buttons,
                        const std::function<void(const QString& name)>& clicked)
{
    auto* cell = new QWidget(parent);
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(6);
    for (const RowButtonSpec& spec : buttons) {
        QPushButton* button = MakeRowButton(cell, spec);
        layout->addWidget(button);
        const QString name = QString::fromLatin1(spec.name);
        QObject::connect(button, &QPushButton::clicked, cell, [clicked, name] { clicked(name); });
    }
    layout->addStretch(1);
    return cell;
}

QPushButton* FindRowButton(const QWidget* cell, const char* name)
{
    return cell ? cell->findChild<QPushButton*>(QString::fromLatin1(name)) : nullptr;
}

} // namespace ListView
