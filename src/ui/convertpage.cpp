#include "ui/convertpage.h"

#include "ui/convmclistadapter.h"
#include "ui/keyboard.h"
#include "ui/listview.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kStatusColumn = 2;
constexpr int kButtonColumn = 3;
constexpr int kSaveDirTextWidth = 360;

constexpr ListView::RowButtonSpec kRowButtons[] = {
    {"btn_convl_download", "row_download", "@string/str_convl_tip_redownload"},
    {"btn_convl_openFile", "row_openfile", "@string/str_list_tip_openfile"},
    {"btn_convl_openDir", "row_opendir", "@string/str_list_tip_opendir"},
    {"btn_convl_delete", "row_delete", "@string/str_list_tip_delete"},
};

} // namespace

CConvertPage::CConvertPage(const ConversionList& list, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("page_convertList"));
    setAttribute(Qt::WA_StyledBackground);
    adapter = new CConvMcListAdapterMgr(list, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 8, 24, 16);
    layout->setSpacing(12);
    layout->addWidget(BuildTopBar());
    listView = ListView::Make(this, "mclv_convert", adapter);
    layout->addWidget(listView, 1);
    layout->addWidget(BuildBottomBar());

    adapter->SetHeaderText(1, Theme::Text("@string/str_list_header_size"));
    adapter->SetHeaderText(2, Theme::Text("@string/str_convl_header_status"));
    adapter->SetHeaderText(3, Theme::Text("@string/str_list_header_operate"));
    UpdateFileHeader();
    connect(adapter, &QAbstractItemModel::modelReset, this, &CConvertPage::RebuildRows);
    connect(adapter, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                for (int row = from.row(); row <= to.row(); ++row)
                    UpdateRow(row);
            });
}

QWidget* CConvertPage::BuildTopBar()
{
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    back = new QPushButton(Theme::Icon("nav_back"), QString(), bar);
    back->setObjectName(QStringLiteral("btn_back"));
    back->setProperty("role", QStringLiteral("caption"));
    back->setFixedSize(32, 32);
    back->setCursor(Qt::PointingHandCursor);
    back->setProperty("leftBarIndex", 0);
    back->setAccessibleName(Theme::Text("@string/str_acc_back"));
    back->setToolTip(back->accessibleName());
    title = new QLabel(bar);
    title->setObjectName(QStringLiteral("txt_homesort"));
    title->setProperty("role", QStringLiteral("pageTitle"));
    addFile =
        new QPushButton(Theme::Icon("add_file"), Theme::Text("@string/str_convl_btn_addfile"), bar);
    addFile->setObjectName(QStringLiteral("btn_addFile"));
    addFile->setProperty("role", QStringLiteral("secondary"));
    addFile->setCursor(Qt::PointingHandCursor);
    addFile->setFixedHeight(32);
    for (QPushButton* button : {back, addFile})
        Keyboard::MakeReachable(button);
    layout->addWidget(back);
    layout->addWidget(title);
    layout->addStretch(1);
    layout->addWidget(addFile);
    return bar;
}

QWidget* CConvertPage::BuildBottomBar()
{
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* label = new QLabel(Theme::Text("@string/str_convl_savedir_label"), bar);
    saveDir = new QPushButton(bar);
    saveDir->setObjectName(QStringLiteral("btn_saveDir"));
    saveDir->setProperty("role", QStringLiteral("secondary"));
    saveDir->setCursor(Qt::PointingHandCursor);
    saveDir->setFixedHeight(30);
    saveDir->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Keyboard::MakeReachable(saveDir);
    auto* inner = new QHBoxLayout(saveDir);
    inner->setContentsMargins(10, 0, 8, 0);
    inner->setSpacing(6);
    saveDirTip = new QLabel(saveDir);
    saveDirTip->setObjectName(QStringLiteral("txt_tip"));
    saveDirTip->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* arrow = new QLabel(saveDir);
    arrow->setObjectName(QStringLiteral("img_saveDir"));
    arrow->setAttribute(Qt::WA_TransparentForMouseEvents);
    arrow->setPixmap(Theme::Pixmap("arrow_down", QSize(14, 14), devicePixelRatioF()));
    inner->addWidget(saveDirTip);
    inner->addWidget(arrow);
    saveDirText = new QLabel(bar);
    saveDirText->setObjectName(QStringLiteral("txt_saveDir"));
    saveDirText->setProperty("role", QStringLiteral("pageHint"));
    start = new QPushButton(Theme::Text("@string/str_convl_btn_start"), bar);
    start->setObjectName(QStringLiteral("btn_startConv"));
    continueButton = new QPushButton(Theme::Text("@string/str_convl_btn_continue"), bar);
    continueButton->setObjectName(QStringLiteral("btn_continue"));
    for (QPushButton* button : {start, continueButton}) {
        button->setProperty("role", QStringLiteral("primary"));
        button->setCursor(Qt::PointingHandCursor);
        button->setFixedSize(120, 36);
        Keyboard::MakeReachable(button);
    }
    continueButton->hide();
    layout->addWidget(label);
    layout->addWidget(saveDir);
    layout->addWidget(saveDirText);
    layout->addStretch(1);
    layout->addWidget(start);
    layout->addWidget(continueButton);

    saveDirMenu = new QMenu(this);
    saveDirMenu->setObjectName(QStringLiteral("rc_menu_saveDir"));
    const std::pair<int, const char*> commands[] = {{kCmdSameDir, "@string/str_menu_save_1"},
                                                    {kCmdCustomDir, "@string/str_menu_save_2"}};
    for (const auto& [id, text] : commands) {
        QAction* action = saveDirMenu->addAction(Theme::Text(text));
        action->setObjectName(QStringLiteral("menuItem_%1").arg(id));
        connect(action, &QAction::triggered, this, [this, id] { emit saveDirCommand(id); });
    }
    ShowSameDir();
    return bar;
}

void CConvertPage::ShowSameDir()
{
    saveDirTip->setText(Theme::Text("@string/str_menu_save_1"));
    saveDir->setAccessibleName(Theme::Text("@string/str_convl_savedir_label") + saveDirTip->text());
    saveDir->setFixedWidth(saveDir->layout()->sizeHint().width());
    customDir.clear();
    saveDirText->clear();
    saveDirText->hide();
}

void CConvertPage::ShowCustomDir(const QString& folder)
{
    saveDirTip->setText(Theme::Text("@string/str_menu_save_2"));
    saveDir->setAccessibleName(Theme::Text("@string/str_convl_savedir_label") + folder);
    saveDir->setFixedWidth(saveDir->layout()->sizeHint().width());
    customDir = folder;
    const QFontMetrics metrics(saveDirText->font());
    saveDirText->setText(metrics.elidedText(folder, Qt::ElideMiddle, kSaveDirTextWidth));
    saveDirText->setToolTip(folder);
    saveDirText->show();
}

void CConvertPage::NotifyDataSetChanged()
{
    adapter->NotifyDataSetChanged();
    emit dataSetChanged();
}

void CConvertPage::NotifyItemChanged(int row)
{
    adapter->NotifyItemChanged(row);
    emit itemChanged(row);
}

void CConvertPage::UpdateFileHeader()
{
    adapter->UpdateFileHeader();
}

void CConvertPage::RebuildRows()
{
    UpdateFileHeader();
    for (int row = 0; row < adapter->rowCount(); ++row) {
        auto* status = new QWidget(listView);
        auto* statusLayout = new QHBoxLayout(status);
        statusLayout->setContentsMargins(4, 0, 12, 0);
        auto* text = new QLabel(status);
        text->setObjectName(QStringLiteral("txt_status"));
        auto* progress = new QProgressBar(status);
        progress->setObjectName(QStringLiteral("prog_convert"));
        progress->setRange(0, 100);
        progress->setTextVisible(false);
        progress->setFixedHeight(6);
        statusLayout->addWidget(text);
        statusLayout->addWidget(progress);
        listView->setIndexWidget(adapter->index(row, kStatusColumn), status);

        QWidget* buttons =
            ListView::MakeButtonCell(listView, kRowButtons, [this, row](const QString& name) {
                emit rowButtonClicked(name, row);
            });
        listView->setIndexWidget(adapter->index(row, kButtonColumn), buttons);
        UpdateRow(row);
    }
}

void CConvertPage::UpdateRow(int row)
{
    QWidget* status = RowCell(row, kStatusColumn);
    QWidget* buttons = RowCell(row, kButtonColumn);
    if (!status || !buttons)
        return;
    const QModelIndex index = adapter->index(row, 0);
    const CConvMcListAdapterMgr::RowLook look = CConvMcListAdapterMgr::LookOf(
        static_cast<ConversionStatus>(index.data(CConvMcListAdapterMgr::StatusRole).toInt()));
    const QString detail = index.data(CConvMcListAdapterMgr::DetailTextRole).toString();
    auto* text = status->findChild<QLabel*>(QStringLiteral("txt_status"));
    auto* progress = status->findChild<QProgressBar*>(QStringLiteral("prog_convert"));
    text->setText(index.data(CConvMcListAdapterMgr::StatusTextRole).toString());
    text->setToolTip(detail);
    progress->setValue(index.data(CConvMcListAdapterMgr::ProgressRole).toInt());
    progress->setToolTip(detail);
    text->setVisible(!look.progress);
    progress->setVisible(look.progress);
    RowButton(row, "btn_convl_download")->setVisible(look.download);
    RowButton(row, "btn_convl_openFile")->setVisible(look.openButtons);
    RowButton(row, "btn_convl_openDir")->setVisible(look.openButtons);
    RowButton(row, "btn_convl_delete")->setVisible(look.remove);
    ListView::NameRowButtons(buttons, index.data().toString());
}

QWidget* CConvertPage::RowCell(int row, int column) const
{
    return listView->indexWidget(adapter->index(row, column));
}

QPushButton* CConvertPage::RowButton(int row, const char* name) const
{
    return ListView::FindRowButton(RowCell(row, kButtonColumn), name);
}
