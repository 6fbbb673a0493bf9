#include "ui/recordpage.h"

#include "ui/keyboard.h"
#include "ui/listview.h"
#include "ui/recordmclistadapter.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kButtonColumn = 3;

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
    connect(adapter, &QAbstractItemModel::modelReset, this, &CRecordPage::RebuildRows);
    adapter->Refresh();
}

void CRecordPage::RebuildRows()
{
    static constexpr ListView::RowButtonSpec kButtons[] = {
        {"btn_comp_openFile", "row_openfile", "@string/str_list_tip_openfile"},
        {"btn_comp_openDir", "row_opendir", "@string/str_list_tip_opendir"},
        {"btn_comp_delete", "row_delete", "@string/str_list_tip_delete"},
    };
    for (int row = 0; row < adapter->rowCount(); ++row) {
        QWidget* cell =
            ListView::MakeButtonCell(listView, kButtons, [this, row](const QString& name) {
                emit rowButtonClicked(name, row);
            });
        ListView::NameRowButtons(cell, adapter->index(row, 0).data().toString());
        listView->setIndexWidget(adapter->index(row, kButtonColumn), cell);
    }
}

QPushButton* CRecordPage::RowButton(int row, const char* name) const
{
    return ListView::FindRowButton(listView->indexWidget(adapter->index(row, kButtonColumn)), name);
}
