#include "ui/mainwnd.h"

#include "account/signinflow.h"
#include "tiles/tilebackground.h"

#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "base/dialogservice.h"
#include "settings/firststart.h"
#include "settings/settingsfiles.h"
#include "settings/weblinks.h"
#include "task/fileadmission.h"
#include "task/serviceaccess.h"
#include "tiles/documentviewer.h"
#include "ui/caption.h"
#include "ui/convertpage.h"
#include "ui/filetilepage.h"
#include "ui/keyboard.h"
#include "ui/maintilepage.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"
#include "ui/settingwnd.h"
#include "ui/theme.h"
#include "ui/tiledroptarget.h"
#include "ui/trayicon.h"
#include "ui/windowmessageevent.h"
#include "utility/applog.h"
#include "utility/tc_checkpath.h"
#include "utility/tc_process.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRegion>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdlib>

namespace {

constexpr int kLeftBarWidth = 200;
constexpr int kCaptionHeight = 52;
constexpr int kListItemHeight = 42;
constexpr int kHeadIconSize = 28;
constexpr int kUserNameMaxWidth = 140;
constexpr std::chrono::milliseconds kRelayoutAgain{3};
constexpr int kExitAnimationMs = 200;
constexpr int kFirstShowPollMs = 100;
constexpr std::uint32_t kThreadStopMs = 1000;

struct LeftBarItem
{
    const char* textKey;
    const char* icon;
    int titleIndex; // part 1: the group title's index inside the tile page
};

constexpr LeftBarItem kPart1Items[] = {
    {"@string/str_leftbar_common", "leftbar_common", 2},
    {"@string/str_leftbar_frompdf", "leftbar_frompdf", 4},
    {"@string/str_leftbar_topdf", "leftbar_topdf", 6},
    {"@string/str_leftbar_docoperate", "leftbar_docoperate", 10},
};
constexpr LeftBarItem kPart2Items[] = {
    {"@string/str_leftbar_completed", "leftbar_completed", 0},
    {"@string/str_leftbar_openrecord", "leftbar_openrecord", 0},
};

// The main window is a window to assistive technology, not a filler pane.
QAccessibleInterface* MainWindowAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("CMainWnd") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

template <std::size_t N>
QListWidget* MakeLeftBarList(QWidget* parent, const char* name, const LeftBarItem (&items)[N])
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setIconSize(QSize(18, 18));
    // Tab walks the entries one by one before it leaves the list (the main window's filter).
    list->setFocusPolicy(Qt::StrongFocus);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setCursor(Qt::PointingHandCursor);
    for (const LeftBarItem& entry : items) {
        auto* item = new QListWidgetItem(Theme::Icon(entry.icon), Theme::Text(entry.textKey), list);
        item->setData(Qt::UserRole, entry.titleIndex);
    }
    list->setFixedHeight(static_cast<int>(N) * kListItemHeight + 4);
    return list;
}

} // namespace

CMainWnd::CMainWnd(MainWndServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), services(std::move(services)),
      fileSelector(*this->services.dialogs)
{
    static const bool accessibleRole = (QAccessible::installFactory(&MainWindowAccessible), true);
    static_cast<void>(accessibleRole);
    setObjectName(QStringLiteral("rc_mainWnd"));
    setWindowTitle(Theme::Text("@string/str_appTitle"));
    setWindowIcon(Theme::Icon("logo"));
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kWidth, kHeight);
    BuildLayout();
    notice = std::make_unique<CCompletionNotice>(
        *this->services.clientInfo, this->services.noticeStyle, CompletionNoticeActions());
}

CMainWnd::~CMainWnd()
{
    // Nothing may post into a window being torn down.
    services.account->SetNotifyWindow(nullptr);
    StopAllThreads();
    Conversions().Detach();
}

void CMainWnd::BuildLayout()
{
    auto* root = new QHBoxLayout(this);
    // One pixel for the frame painted around the borderless window.
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);
    root->addWidget(BuildLeftBar());

    auto* funcZone = new QWidget(this);
    funcZone->setObjectName(QStringLiteral("wnd_funcZone"));
    funcZone->setAttribute(Qt::WA_StyledBackground);
    auto* zoneLayout = new QVBoxLayout(funcZone);
    zoneLayout->setContentsMargins(0, 0, 0, 0);
    zoneLayout->setSpacing(0);
    zoneLayout->addWidget(BuildCaption());

    tabFunction = new QStackedWidget(funcZone);
    tabFunction->setObjectName(QStringLiteral("tab_function"));
    auto* mainTiles = homeTiles = new CMainTilePage(Tiles(), *this, tabFunction);
    fileTiles = new CFileTilePage(Tiles(), *this, tabFunction);
    convertPage = new CConvertPage(Conversions().List(), tabFunction);
    auto* completed = completedPage =
        new CRecordPage(RecordKind::Completed, Conversions().CompletedList(), tabFunction);
    auto* records = recordPage =
        new CRecordPage(RecordKind::OpenRecord, Conversions().OpenRecordList(), tabFunction);
    for (QWidget* page : {static_cast<QWidget*>(mainTiles), static_cast<QWidget*>(fileTiles),
                          static_cast<QWidget*>(convertPage), static_cast<QWidget*>(completed),
                          static_cast<QWidget*>(records)})
        tabFunction->addWidget(page);
    zoneLayout->addWidget(tabFunction, 1);
    ConnectListPages();

    auto* grip = new QSizeGrip(funcZone);
    zoneLayout->addWidget(grip, 0, Qt::AlignRight | Qt::AlignBottom);
    root->addWidget(funcZone, 1);
}

QWidget* CMainWnd::BuildLeftBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("wnd_leftBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedWidth(kLeftBarWidth);
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 20);
    layout->setSpacing(0);

    leftBarHead = new QWidget(bar);
    leftBarHead->installEventFilter(this);
    auto* head = new QHBoxLayout(leftBarHead);
    head->setContentsMargins(22, 18, 12, 18);
    head->setSpacing(10);
    auto* logo = new QLabel(leftBarHead);
    logo->setObjectName(QStringLiteral("img_logo"));
    logo->setPixmap(Theme::Pixmap("logo", QSize(32, 32), devicePixelRatioF()));
    auto* title = new QLabel(Theme::Text("@string/str_mainWndTitle"), leftBarHead);
    title->setObjectName(QStringLiteral("txt_leftbar_title"));
    head->addWidget(logo);
    head->addWidget(title, 1);
    layout->addWidget(leftBarHead);
    layout->addSpacing(6);

    leftBarPart1 = MakeLeftBarList(bar, "lb_leftbar_part1", kPart1Items);
    layout->addWidget(leftBarPart1);

    auto* separator = new QFrame(bar);
    separator->setObjectName(QStringLiteral("leftbar_separator"));
    separator->setFixedHeight(1);
    auto* separatorRow = new QHBoxLayout;
    separatorRow->setContentsMargins(24, 10, 24, 10);
    separatorRow->addWidget(separator);
    layout->addLayout(separatorRow);

    leftBarPart2 = MakeLeftBarList(bar, "lb_leftbar_part2", kPart2Items);
    layout->addWidget(leftBarPart2);
    layout->addStretch(1);

    auto* openPdf =
        new QPushButton(Theme::Icon("open_pdf"), Theme::Text("@string/str_leftbar_openpdf"), bar);
    openPdf->setObjectName(QStringLiteral("btn_leftbar_openpdf"));
    openPdf->setIconSize(QSize(18, 18));
    openPdf->setFixedHeight(40);
    openPdf->setCursor(Qt::PointingHandCursor);
    Keyboard::MakeReachable(openPdf);
    auto* openRow = new QHBoxLayout;
    openRow->setContentsMargins(20, 0, 20, 0);
    openRow->addWidget(openPdf);
    layout->addLayout(openRow);

    // A selection, not a current row: focus arriving by Tab makes an entry current without
    // choosing it.
    for (QListWidget* list : {leftBarPart1, leftBarPart2}) {
        connect(list, &QListWidget::itemSelectionChanged, this,
                [this, list] { OnLeftBarSelection(list); });
        // Files offered on the drop page leave the entry selected; choosing it again leaves.
        connect(list, &QListWidget::itemClicked, this, [this, list] {
            if (tabFunction->currentWidget() == fileTiles)
                OnLeftBarSelection(list);
        });
        list->installEventFilter(this);
    }
    connect(openPdf, &QPushButton::clicked, this, &CMainWnd::OpenPdf);
    return bar;
}

QWidget* CMainWnd::BuildCaption()
{
    caption = new QWidget(this);
    caption->setObjectName(QStringLiteral("wnd_caption"));
    caption->setAttribute(Qt::WA_StyledBackground);
    caption->setFixedHeight(kCaptionHeight);
    caption->installEventFilter(this);
    auto* layout = new QHBoxLayout(caption);
    layout->setContentsMargins(16, 8, 10, 8);
    layout->setSpacing(4);
    layout->addStretch(1);

    auto* login = loginButton = new QPushButton(caption);
    login->setObjectName(QStringLiteral("btn_login"));
    login->setCursor(Qt::PointingHandCursor);
    login->setFixedHeight(34);
    Keyboard::MakeReachable(login);
    auto* loginLayout = new QHBoxLayout(login);
    loginLayout->setContentsMargins(4, 3, 10, 3);
    loginLayout->setSpacing(8);
    defaultHead = new QLabel(login);
    defaultHead->setObjectName(QStringLiteral("img_defaultHead"));
    defaultHead->setPixmap(
        Theme::Pixmap("head_default", QSize(kHeadIconSize, kHeadIconSize), devicePixelRatioF()));
    headIcon = new QLabel(login);
    headIcon->setObjectName(QStringLiteral("img_HeadIcon"));
    headIcon->setFixedSize(kHeadIconSize, kHeadIconSize);
    headIcon->setScaledContents(true);
    headIcon->setMask(QRegion(0, 0, kHeadIconSize, kHeadIconSize, QRegion::Ellipse));
    headIcon->hide();
    userName = new QLabel(login);
    userName->setObjectName(QStringLiteral("txt_username"));
    loginLayout->addWidget(defaultHead);
    loginLayout->addWidget(headIcon);
    loginLayout->addWidget(userName);
    ShowUserName(Theme::Text("@string/str_cation_login"));
    layout->addWidget(login);
    layout->addSpacing(10);

    auto* menu = MakeCaptionButton(caption, "btn_menu", "caption_menu", "@string/str_acc_menu");
    auto* minimise = MakeCaptionButton(caption, "btn_min", "caption_min", "@string/str_acc_min");
    auto* close = MakeCaptionButton(caption, "btn_close", "caption_close", "@string/str_acc_close");
    layout->addWidget(menu);
    layout->addWidget(minimise);
    layout->addWidget(close);
    connect(login, &QPushButton::clicked, this, &CMainWnd::OnLoginButton);
    connect(menu, &QPushButton::clicked, this, &CMainWnd::OnMenuButton);
    connect(minimise, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(close, &QPushButton::clicked, this, &CMainWnd::HideToBackground);
    return caption;
}

void CMainWnd::ShowUserName(const QString& text)
{
    // Long names are shortened in the middle; the whole name stays in the tooltip and is
    // what a screen reader says.
    const QFontMetrics metrics(userName->font());
    userName->setText(metrics.elidedText(text, Qt::ElideMiddle, kUserNameMaxWidth));
    loginButton->setToolTip(userName->text() == text ? QString() : text);
    loginButton->setAccessibleName(text);
    loginButton->setMinimumWidth(loginButton->layout()->sizeHint().width());
}

void CMainWnd::Initialize()
{
    BuildTray();
    WireThreads();
    TileWork().HomeSortThread().Start();
    LoadRecords();
    BuildTilePages();
    for (int row = 0; row < leftBarPart1->count(); ++row)
        pageMap[{leftBarPart1, row}] = static_cast<int>(MainPage::MainTileView);
    pageMap[{leftBarPart2, 0}] = static_cast<int>(MainPage::CompletedList);
    pageMap[{leftBarPart2, 1}] = static_cast<int>(MainPage::RecordList);
    leftBarPart1->setCurrentRow(0);

    if (OpenAccountDatabase(*services.database, services.appDataDir) ==
        AccountDatabaseOpen::NoDataDirectory) {
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_db");
        ExitNow();
        return;
    }
    if (services.accountComponentMissing) {
        ExitForMissingComponent();
        return;
    }
    // The account plug-in starts once the window is on screen.
    firstShowTimer = new QTimer(this);
    firstShowTimer->setInterval(kFirstShowPollMs);
    connect(firstShowTimer, &QTimer::timeout, this, &CMainWnd::OnFirstShowTick);
    firstShowTimer->start();
    if (services.viewer)
        services.viewer->PreparePrinting();
    StartUpdateWork();
    initialized = true;
}

void CMainWnd::BuildTilePages()
{
    homeTiles->Populate();
    // A child of the window, living as long as it.
    tileDrop =
        new CTileViewDropTargetMgr(*this, *tabFunction, *homeTiles, *fileTiles,
                                   [this](const std::string& key, std::vector<std::string> files) {
                                       FunctionSource source;
                                       source.tile = FunctionSource::kSmallTile;
                                       source.files = std::move(files);
                                       OpenFunction(key, std::move(source));
                                   });
    connect(this, &CMainWnd::tilesRelayoutRequested, homeTiles, &CMainTilePage::Relayout);
    connect(this, &CMainWnd::tileGroupSelected, homeTiles, &CMainTilePage::ScrollToChild);
    connect(homeTiles, &CMainTilePage::groupScrolled, this, &CMainWnd::SelectTileGroup);
    connect(fileTiles, &CFileTilePage::backRequested, tileDrop, &CTileViewDropTargetMgr::EndOffer);
    connect(tabFunction, &QStackedWidget::currentChanged, tileDrop, [this] {
        if (tabFunction->currentWidget() != fileTiles)
            tileDrop->EndOffer();
    });
    connect(homeTiles, &CMainTilePage::feedbackRequested, this,
            [this] { OpenWithDesktop(services.webBase + "/feedback?extra=PC&Device=PC", false); });
}

void CMainWnd::WireThreads()
{
    SignIn().Attach(*this);
    TileWork().Attach(*this);
    Conversions().Attach(this, this);
}

void CMainWnd::LoadRecords()
{
    Conversions().LoadRecords(services.appDataDir);
    completedPage->Adapter().Refresh();
    recordPage->Adapter().Refresh();
}

void CMainWnd::OnFirstShowTick()
{
    if (!isVisible())
        return;
    firstShowTimer->stop();
    switch (SignIn().Start()) {
    case AccountStartup::Started:
        break;
    case AccountStartup::ComponentMissing:
        ExitForMissingComponent();
        break;
    case AccountStartup::Failed:
        ExitNow();
        break;
    }
}

void CMainWnd::ExitForMissingComponent()
{
    services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_plugin");
    ExitNow();
}

void CMainWnd::PostWindowMessage(WindowMessage message)
{
    QCoreApplication::postEvent(this, new WindowMessageEvent(std::move(message)));
}

const std::map<std::uint32_t, CMainWnd::Handler>& CMainWnd::Routes()
{
    static const std::map<std::uint32_t, Handler> routes = {
        {WM_TASK_NET_ERROR, &CMainWnd::OnTaskNetError},
        {WM_CONVERT_LIST_CHANGED, &CMainWnd::OnConvertListChanged},
        {WM_CONVERT_ITEM_CHANGED, &CMainWnd::OnConvertItemChanged},
        {WM_CONVERT_FINISH, &CMainWnd::OnConvertFinish},
        {WM_CONVERT_FILE_DONE, &CMainWnd::OnConvertFileDone},
        {WM_COMPLETED_LIST_CHANGED, &CMainWnd::OnCompletedListChanged},
        {WM_UPDATE_CHECK, &CMainWnd::OnUpdateCheck},
        {WM_UPDATE_RESULT, &CMainWnd::OnUpdateResult},
        {WM_UPDATE_FORCED, &CMainWnd::OnUpdateForced},
        {WM_SHOW_SETTINGS, &CMainWnd::OnShowSettings},
        {WM_CONVERT_LIST_BACK, &CMainWnd::OnConvertListBack},
        {WM_FIRST_START_CHECK, &CMainWnd::OnFirstStartCheck},
        {WM_ACCOUNT_LOGIN, &CMainWnd::OnAccountLogin},
        {WM_ACCOUNT_LOGOUT, &CMainWnd::OnAccountLogout},
        {WM_ACCOUNT_SHOW_LOGIN, &CMainWnd::OnAccountShowLogin},
        {WM_ACCOUNT_HEAD_ICON, &CMainWnd::OnAccountHeadIcon},
        {WM_ACCOUNT_USER_NAME, &CMainWnd::OnAccountUserName},
        {WM_TILE_CLICKED, &CMainWnd::OnTileClicked},
        {WM_VIEWER_FUNCTION, &CMainWnd::OnViewerFunction},
        {WM_VIEWER_RECORD, &CMainWnd::OnViewerRecord},
        {WM_WEB_PAGE_OPENED, &CMainWnd::OnWebPageOpened},
        {WM_OPEN_IN_VIEWER, &CMainWnd::OnOpenInViewer},
    };
    return routes;
}

bool CMainWnd::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType()) {
        Dispatch(static_cast<WindowMessageEvent*>(event)->Message());
        return true;
    }
    return QWidget::event(event);
}

void CMainWnd::Dispatch(WindowMessage& message)
{
    const auto& routes = Routes();
    if (const auto route = routes.find(message.id); route != routes.end())
        (this->*(route->second))(message);
    else
        AppLog("CMainWnd::Dispatch", "unknown message " + std::to_string(message.id));
}

void CMainWnd::OnTaskNetError(WindowMessage& message)
{
    // The notice runs a nested loop in which further notices arrive: those are dropped.
    if (threadNoticeShown)
        return;
    threadNoticeShown = true;
    services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, message.payload);
    threadNoticeShown = false;
}

void CMainWnd::OnConvertListChanged(WindowMessage&)
{
    convertPage->NotifyDataSetChanged();
}

void CMainWnd::OnConvertItemChanged(WindowMessage& message)
{
    if (message.wParam < static_cast<std::uintptr_t>(Conversions().RowCount()))
        convertPage->NotifyItemChanged(static_cast<int>(message.wParam));
}

void CMainWnd::OnShowSettings(WindowMessage&)
{
    OpenSettings();
}

void CMainWnd::OnFirstStartCheck(WindowMessage&)
{
    if (updatePending)
        return;
    if (!RunFirstStartCheck(services.configPath, services.account->IsSignedIn(),
                            fileSelector.DialogShown()))
        return;
    if (services.dialogs->ShowMessage(this, MsgBoxMode::Login,
                                      "@string/str_msgbox_login_welcome") == MsgBoxResult::Ok)
        SignIn().OfferLogin();
}

void CMainWnd::OnAccountLogin(WindowMessage&)
{
    SignIn().OnSignedIn();
}

void CMainWnd::OnAccountLogout(WindowMessage&)
{
    SignIn().OnSignedOut();
}

void CMainWnd::OnAccountShowLogin(WindowMessage&)
{
    // The plug-in's login window is a widget of this process.
    auto* login = static_cast<QWidget*>(services.account->LoginWindow());
    if (!login)
        return;
    login->show();
    login->setWindowState((login->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    login->raise();
    login->activateWindow();
}

void CMainWnd::OnLoginButton()
{
    if (SignIn().OnLoginButton() != SignInFlow::LoginButtonAction::ShowUserMenu)
        return;
    if (!userMenu) {
        userMenu = new QMenu(this);
        userMenu->setObjectName(QStringLiteral("rc_menu_user"));
        QAction* logout = userMenu->addAction(Theme::Text("@string/str_menu_user_3"));
        logout->setObjectName(QStringLiteral("menuItem_logout"));
        connect(logout, &QAction::triggered, this, [this] { SignIn().SignOut(); });
    }
    userMenu->popup(loginButton->mapToGlobal(QPoint(-10, loginButton->height())));
}

void CMainWnd::OnAccountHeadIcon(WindowMessage& message)
{
    constexpr std::uintptr_t kShow = 0;
    if (message.wParam == kShow) {
        const QPixmap icon(QString::fromStdString(message.payload));
        if (icon.isNull()) {
            AppLog("CMainWnd::OnAccountHeadIcon", "not an image: " + message.payload);
            return;
        }
        headIcon->setPixmap(icon);
        headIcon->show();
        defaultHead->hide();
    } else {
        headIcon->hide();
        headIcon->clear();
        defaultHead->show();
    }
}

void CMainWnd::OnAccountUserName(WindowMessage& message)
{
    constexpr std::uintptr_t kShow = 0;
    if (message.wParam != kShow) {
        ShowUserName(Theme::Text("@string/str_cation_login"));
        return;
    }
    if (const auto text = SignIn().UserName()) {
        ShowUserName(QString::fromStdString(*text));
        AppLog("CMainWnd::OnAccountUserName", "user " + *text);
    }
}

bool CMainWnd::IsConverting() const
{
    return services.conversions->IsConverting();
}

void CMainWnd::OnLeftBarSelection(QListWidget* list)
{
    if (Conversions().IsRedownloading()) {
        RestoreLeftBarSelection();
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_task_busy");
        return;
    }
    // The selection changes before the current row does.
    const QList<QListWidgetItem*> selected = list->selectedItems();
    const int row = selected.isEmpty() ? -1 : list->row(selected.front());
    if (row < 0)
        return;
    ResetFinishedList();
    // The two list boxes act as one group of entries.
    QListWidget* other = list == leftBarPart1 ? leftBarPart2 : leftBarPart1;
    {
        const QSignalBlocker blocker(other);
        other->setCurrentRow(-1);
    }
    shownSelection = {list, row};
    if (const auto page = pageMap.find({list, row}); page != pageMap.end())
        tabFunction->setCurrentIndex(page->second);
    if (list == leftBarPart1)
        emit tileGroupSelected(list->item(row)->data(Qt::UserRole).toInt());
}

void CMainWnd::SelectTileGroup(int index)
{
    if (index < 0 || index >= leftBarPart1->count() || tabFunction->currentWidget() != homeTiles)
        return;
    {
        const QSignalBlocker blocker(leftBarPart1);
        leftBarPart1->setCurrentRow(index);
    }
    shownSelection = {leftBarPart1, index};
}

void CMainWnd::RestoreLeftBarSelection()
{
    const QSignalBlocker blocker1(leftBarPart1);
    const QSignalBlocker blocker2(leftBarPart2);
    for (QListWidget* list : {leftBarPart1, leftBarPart2})
        list->setCurrentRow(list == shownSelection.first ? shownSelection.second : -1);
}

void CMainWnd::OpenSettings()
{
    // One settings window at a time; asking again while it is open does nothing.
    if (settingWnd && settingWnd->isVisible())
        return;
    UserSettings settings(
        services.appDataDir.empty()
            ? std::nullopt
            : std::optional(services.appDataDir + std::string(kSettingsFileName)));
    settingWnd = new CSettingWnd(*services.clientInfo, std::move(settings), *this, this);
    connect(settingWnd, &CSettingWnd::commandChosen, this, &CMainWnd::OnInfoCommand);
    // Window-modal without a nested loop; the window is forgotten when it closes.
    settingWnd->setAttribute(Qt::WA_DeleteOnClose);
    settingWnd->open();
}

CSettingWnd* CMainWnd::SettingWindow() const
{
    return settingWnd;
}

void CMainWnd::OpenWebHome()
{
    OpenWebPage("", WebLinks::HomePage(services.webBase));
}

void CMainWnd::OpenWebPage(const std::string& key, const std::string& url)
{
    if (!TC_PROCESS::DesktopOpenerAvailable()) {
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice,
                                      "@string/str_msgbox_open_failed");
        return;
    }
    if (!TileWork().WebPageThread().Open(key, url))
        return;
    homeTiles->SetBusy(key, true);
}

void CMainWnd::OnWebPageOpened(WindowMessage& message)
{
    homeTiles->SetBusy(message.payload, false);
}

void CMainWnd::BringToFront()
{
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void CMainWnd::OnTrayCommand(int id)
{
    switch (id) {
    case kCmdWebPage:
        OpenWebHome();
        break;
    case kCmdSettings:
        OpenSettings();
        break;
    case kCmdShowMain:
        BringToFront();
        break;
    case kCmdExit:
        Exit();
        break;
    default:
        break;
    }
}

void CMainWnd::Exit()
{
    if (IsConverting() &&
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Question,
                                      "@string/str_msgbox_conving") != MsgBoxResult::Ok)
        return;
    StopAllThreads();
    AnimateOut();
}

void CMainWnd::StopAllThreads()
{
    SignIn().StopThreads();
    TileWork().StopThreads(kThreadStopMs);
    Conversions().StopRunning(kThreadStopMs);
}

void CMainWnd::AnimateOut()
{
    emit exiting();
    // Collapses towards the centre while fading.
    const QRect from = geometry();
    const QRect to(from.center(), QSize(1, 1));
    auto* group = new QParallelAnimationGroup(this);
    auto* collapse = new QPropertyAnimation(this, "geometry", group);
    collapse->setDuration(kExitAnimationMs);
    collapse->setStartValue(from);
    collapse->setEndValue(to);
    auto* fade = new QPropertyAnimation(this, "windowOpacity", group);
    fade->setDuration(kExitAnimationMs);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    group->addAnimation(collapse);
    group->addAnimation(fade);
    connect(group, &QAbstractAnimation::finished, this, [this] {
        hide();
        if (trayIcon)
            trayIcon->Remove();
        QCoreApplication::quit();
    });
    setMinimumSize(0, 0);
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void CMainWnd::ExitNow()
{
    if (trayIcon)
        trayIcon->Remove();
    if (services.exitProcess)
        services.exitProcess();
    else
        std::_Exit(0);
}

void CMainWnd::HideToBackground()
{
    // Without a tray nothing could bring a hidden window back.
    if (trayIcon)
        hide();
    else
        showMinimized();
}

void CMainWnd::closeEvent(QCloseEvent* event)
{
    event->ignore();
    HideToBackground();
}

void CMainWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QColor(0xd0, 0xd3, 0xd6));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CMainWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!initialized || event->size().width() == event->oldSize().width())
        return;
    emit tilesRelayoutRequested();
    QTimer::singleShot(kRelayoutAgain, this, &CMainWnd::tilesRelayoutRequested);
}

bool CMainWnd::OnLeftBarKey(QListWidget* list, const QKeyEvent& key)
{
    const int current = list->currentRow();
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        // Moves the focus mark only; Enter or Space chooses. Past either end Tab leaves.
        const bool back = key.key() == Qt::Key_Backtab || (key.modifiers() & Qt::ShiftModifier);
        const int next = current + (back ? -1 : 1);
        if (current < 0 || next < 0 || next >= list->count())
            return false;
        list->selectionModel()->setCurrentIndex(list->model()->index(next, 0),
                                                QItemSelectionModel::NoUpdate);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current < 0)
            return false;
        list->selectionModel()->select(list->model()->index(current, 0),
                                       QItemSelectionModel::ClearAndSelect);
        return true;
    default:
        return false;
    }
}

bool CMainWnd::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == leftBarPart1 || watched == leftBarPart2) && event->type() == QEvent::KeyPress)
        return OnLeftBarKey(static_cast<QListWidget*>(watched), *static_cast<QKeyEvent*>(event));
    if ((watched == caption || watched == leftBarHead) && windowHandle()) {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            windowHandle()->startSystemMove();
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            isMaximized() ? showNormal() : showMaximized();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
