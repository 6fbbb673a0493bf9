#include "ui/recordpage.h"

#include "ui/keyboard.h"
#include "ui/listview.h"
#include "ui/recordmclistadapter.h"
#include "ui/theme.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kButtonColumn = 3;
// Rows given buttons beyond those in view, and the rows in view assumed before the view has
// its size.
constexpr int kSpareRows = 2;
constexpr int kRowsBeforeLayout = 16;

constexpr ListView::RowButtonSpec kButtons[] = {
    {"btn_comp_openFile", "row_openfile", "@string/str_list_tip_openfile"},
    {"btn_comp_openDir", "row_opendir", "@string/str_list_tip_opendir"},
    {"btn_comp_delete", "row_delete", "@string/str_list_tip_delete"},
};

struct PageTexts
{
    const char* page;
    const char* view;
    const char* clearButton;
    const char* title;
    const char* timeHeader;
};

PageTexts TextsOf(RecordKind kind)
{
    if (kind == RecordKind::Completed)
        return {"page_completedList", "mclv_complteted", "btn_clearComp",
                "@string/str_completed_title", "@string/str_completed_header_time"};
    return {"page_recordList", "mclv_openrecord", "btn_clearRecord", "@string/str_record_title",
            "@string/str_record_header_time"};
}

} // namespace

CRecordPage::CRecordPage(RecordKind kind, RecordList& records, QWidget* parent) : QWidget(parent)
{
    const PageTexts texts = TextsOf(kind);
    setObjectName(QString::fromLatin1(texts.page));
    setAttribute(Qt::WA_StyledBackground);
    adapter = new CRecordMcListAdapterMgr(records, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 8, 24, 16);
    layout->setSpacing(12);
    auto* bar = new QHBoxLayout;
    auto* title = new QLabel(Theme::Text(texts.title), this);
    title->setObjectName(QStringLiteral("txt_listName"));
    title->setProperty("role", QStringLiteral("pageTitle"));
    clear =
        new QPushButton(Theme::Icon("row_delete"), Theme::Text("@string/str_list_btn_clear"), this);
    clear->setObjectName(QString::fromLatin1(texts.clearButton));
    clear->setProperty("role", QStringLiteral("secondary"));
    clear->setCursor(Qt::PointingHandCursor);
    clear->setFixedHeight(32);
    Keyboard::MakeReachable(clear);
    bar->addWidget(title);
    bar->addStretch(1);
    bar->addWidget(clear);
    layout->addLayout(bar);
    listView = ListView::Make(this, texts.view, adapter);
    layout->addWidget(listView, 1);

    adapter->SetHeaderText(1, Theme::Text("@string/str_list_header_size"));
    adapter->SetHeaderText(2, Theme::Text(texts.timeHeader));
    adapter->SetHeaderText(3, Theme::Text("@string/str_list_header_operate"));
    // A reset drops every cell widget.
    connect(adapter, &QAbstractItemModel::modelReset, this, [this] {
        firstBuilt = endBuilt = 0;
        UpdateRowButtons();
    });
    QScrollBar* scroll = listView->verticalScrollBar();
    connect(scroll, &QScrollBar::valueChanged, this, &CRecordPage::UpdateRowButtons);
    connect(scroll, &QScrollBar::rangeChanged, this, &CRecordPage::UpdateRowButtons);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { ShowFocusedRow(now); });
    adapter->Refresh();
}

void CRecordPage::UpdateRowButtons()
{
    const int rows = adapter->rowCount();
    const int top = std::max(0, listView->rowAt(0));
    const int inView = listView->viewport()->height() > 0
                           ? listView->viewport()->height() / ListView::kRowHeight + 1
                           : kRowsBeforeLayout;
    const int first = std::max(0, top - kSpareRows);
    const int end = std::min(rows, top + inView + kSpareRows);
    for (int row = firstBuilt; row < std::min(endBuilt, rows); ++row)
        if (row < first || row >= end)
            listView->setIndexWidget(adapter->index(row, kButtonColumn), nullptr);
    for (int row = first; row < end; ++row)
        if (!listView->indexWidget(adapter->index(row, kButtonColumn)))
            AddRowButtons(row);
    firstBuilt = first;
    endBuilt = end;
    ChainTabOrder();
}

void CRecordPage::AddRowButtons(int row)
{
    QWidget* cell = ListView::MakeButtonCell(
        listView, kButtons, [this, row](const QString& name) { emit rowButtonClicked(name, row); });
    ListView::NameRowButtons(cell, adapter->index(row, 0).data().toString());
    listView->setIndexWidget(adapter->index(row, kButtonColumn), cell);
}

void CRecordPage::ChainTabOrder()
{
    QWidget* previous = clear;
    for (int row = firstBuilt; row < endBuilt; ++row)
        for (const ListView::RowButtonSpec& kind : kButtons)
            if (QPushButton* button = RowButton(row, kind.name)) {
                QWidget::setTabOrder(previous, button);
                previous = button;
            }
}

void CRecordPage::ShowFocusedRow(QWidget* focused)
{
    if (!focused || !listView->viewport()->isAncestorOf(focused))
        return;
    const QWidget* cell = focused->parentWidget();
    const QModelIndex index = listView->indexAt(cell->geometry().center());
    if (index.isValid())
        listView->scrollTo(index);
}

QPushButton* CRecordPage::RowButton(int row, const char* name) const
{
    return ListView::FindRowButton(listView->indexWidget(adapter->index(row, kButtonColumn)), name);
}
