#pragma once

#include "account/accountstartup.h"
#include "account/signinflow.h"
#include "adapter/recordlist.h"
#include "base/windowmessage.h"
#include "task/conversionpipeline.h"
#include "tiles/fileselector.h"
#include "tiles/homesortlistthread.h"
#include "tiles/webpagethread.h"

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class AccountDatabase;
class AccountLibrary;
struct AccountSession;
class CConvertPage;
class CHomeTileList;
class CRecordPage;
class ClientInfoRecord;
class DialogService;
class HomeSortList;
class QDialog;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;
class TileConfig;

// What the main window works with, built by the program's main (tests build their own). Every
// pointer must be set; the services outlive the window.
struct MainWndServices
{
    DialogService* dialogs = nullptr;
    AccountLibrary* account = nullptr;
    AccountSession* session = nullptr;
    AccountDatabase* database = nullptr;
    ClientInfoRecord* clientInfo = nullptr;
    HomeSortList* homeSortList = nullptr;
    TileConfig* tiles = nullptr; // loaded
    std::string apiBase;
    std::string webBase; // the service's web site, without a trailing '/'
    std::chrono::milliseconds pollInterval{5000};
    std::string appDataDir;  // holds xml/ with the record files; empty keeps records in memory
    std::string configPath;  // the work directory's Config.ini (first-start check)
    bool systemTray = false; // closing hides the window only when a tray can bring it back
    std::string workDir;     // ends with '/': where the companion program lives
    // The start-up check of the account plug-in's file failed.
    bool accountComponentMissing = false;
    // Brings the account plug-in into service for the window at first show; empty: nothing
    // to start.
    std::function<AccountStartup(MessageTarget* mainWnd)> startAccount;
    // Ends the process at once with status 0; empty: std::_Exit.
    std::function<void()> exitProcess;
};

// Pages of `tab_function`, in order.
enum class MainPage
{
    MainTileView = 0,
    FileTileView = 1,
    ConvertList = 2,
    CompletedList = 3,
    RecordList = 4,
};

// (left-bar list box, item index) -> page of `tab_function`.
using LeftBarPageMap = std::map<std::pair<const QListWidget*, int>, int>;

// The application's single top-level window and the receiver of every window message: worker
// threads post, the window's event queue delivers on the UI thread, and the handlers update
// the controls. Owns the pages and the pipeline threads; closing only hides it.
class CMainWnd : public QWidget, public MessageTarget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 1031;
    static constexpr int kHeight = 646;
    static constexpr int kMinWidth = 840;
    static constexpr int kMinHeight = 560;

    // Tray-menu commands.
    static constexpr int kCmdWebPage = 711;
    static constexpr int kCmdSettings = 712;
    static constexpr int kCmdShowMain = 713;
    static constexpr int kCmdExit = 714;

    explicit CMainWnd(MainWndServices services, QWidget* parent = nullptr);
    ~CMainWnd() override;

    // The window's start-up: threads wired, records loaded, page map filled, first page shown.
    void Initialize();

    // Any thread.
    void PostWindowMessage(WindowMessage message) override;

    bool IsConverting() const;
    void BringToFront();
    void OnTrayCommand(int id);
    // Asks while rows are in progress, then stops every thread and animates the window out.
    void Exit();
    void StopAllThreads();
    // Ends the process at once with 0: removes the tray icon, no clean-up.
    void ExitNow();

    // The settings window's maker; until one is given the settings command does nothing.
    using SettingsFactory = std::function<QDialog*(QWidget* owner)>;
    void SetSettingsFactory(SettingsFactory factory) { settingsFactory = std::move(factory); }

    // How a function was asked for: a big tile (1), a small tile (2), or files (dropped on a
    // tile, or the one file of a viewer request).
    struct FunctionSource
    {
        static constexpr int kBigTile = 1;
        static constexpr int kSmallTile = 2;
        int tile = 0;
        std::vector<std::string> files;
    };
    // Runs the function `key`: printing, scanning, a web page or the conversion page.
    void OpenFunction(const std::string& key, FunctionSource source);

    // Adds files to the shown conversion list within its limits, telling the user about what
    // was refused. False when nothing could be done.
    bool AddFiles(const std::vector<std::string>& paths, bool fromPlugin);
    // Puts `path` at the top of the open records, keeping an existing record's date.
    void AddOpenRecord(const std::string& path);

    CConvertPage& ConvertPage() { return *convertPage; }
    CRecordPage& CompletedPage() { return *completedPage; }
    CRecordPage& RecordPage() { return *recordPage; }
    RecordList& CompletedRecords() { return completedRecords; }
    RecordList& OpenRecords() { return openRecords; }
    CHomeSortListThread& HomeSortThread() { return homeSortThread; }
    CWebPageThread& WebPageThread() { return webPageThread; }
    CUploadFilesThread& UploadThread() { return pipeline.upload; }
    CQueryConvertThread& QueryThread() { return pipeline.query; }
    CDownloadFilesThread& DownloadThread() { return pipeline.download; }
    const LeftBarPageMap& PageMap() const { return pageMap; }

signals:
    // The tile page lays its groups out again (after a width change, and once more shortly
    // after).
    void tilesRelayoutRequested();
    // A left-bar group was chosen: the tile page scrolls to the group title at `titleIndex`.
    void tileGroupSelected(int titleIndex);
    // The exit animation began.
    void exiting();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using Handler = void (CMainWnd::*)(WindowMessage&);
    static const std::map<std::uint32_t, Handler>& Routes();

    void BuildLayout();
    QWidget* BuildLeftBar();
    QWidget* BuildCaption();
    void BuildTray();
    // The tray's commands; the tray and "≡" share it.
    QMenu* CommandMenu();
    void OnMenuButton();
    void ShowUserName(const QString& text);
    void WireThreads();
    void LoadRecords();
    void Dispatch(WindowMessage& message);
    void HideToBackground();
    void OnLeftBarSelection(QListWidget* list);
    void RestoreLeftBarSelection();
    // Tab and Shift+Tab inside a left-bar list, Enter and Space on its entries; true when used.
    bool OnLeftBarKey(QListWidget* list, const QKeyEvent& key);
    void OpenSettings();
    void OpenPdf();
    void OpenWebHome();
    // Opens a page of the service's web site for the tile of `key` ("" for none) off the UI
    // thread; a page already on its way makes this do nothing.
    void OpenWebPage(const std::string& key, const std::string& url);
    void AnimateOut();
    void OnFirstShowTick();
    void ExitForMissingComponent();
    void OnLoginButton();
    TileConfig& Tiles();
    HomeSortList& SortList();
    void ConnectListPages();

    // The conversion page.
    void OpenConversionPage(const std::string& key, FunctionSource source);
    void OnBtnAddFile();
    void OnBtnStartConv();
    void OnBtnContinue();
    void OnBtnBack();
    void OnBtnSaveDir();
    void OnSaveDirCommand(int command);
    void OnConvertRowButton(const QString& name, int row);
    void Redownload(int row);
    // Starts the re-download thread when rows wait for it and it does not run.
    void ResumeRedownloads();
    void DisableListControls();
    // Only when the finished state shows: empties the list for a new batch.
    void ResetFinishedList();
    void StartNewBatch();
    void OnFinishWaitTick();
    void ShowFinishedState();
    // Hands `path` to the desktop's opener, telling the user when that fails.
    bool OpenWithDesktop(const std::string& path, bool checkExists);

    // The record pages.
    void OnRecordRowButton(CRecordPage& page, const QString& name, int row);
    void OnClearRecords(CRecordPage& page, const char* questionKey);

    // Message handlers.
    void OnTaskNetError(WindowMessage& message);
    void OnConvertListChanged(WindowMessage& message);
    void OnConvertItemChanged(WindowMessage& message);
    void OnShowSettings(WindowMessage& message);
    void OnFirstStartCheck(WindowMessage& message);
    void OnAccountLogin(WindowMessage& message);
    void OnAccountLogout(WindowMessage& message);
    void OnAccountShowLogin(WindowMessage& message);
    void OnAccountHeadIcon(WindowMessage& message);
    void OnAccountUserName(WindowMessage& message);
    void OnConvertFinish(WindowMessage& message);
    void OnConvertListBack(WindowMessage& message);
    void OnCompletedListChanged(WindowMessage& message);
    void OnTileClicked(WindowMessage& message);
    void OnViewerFunction(WindowMessage& message);
    void OnViewerRecord(WindowMessage& message);
    void OnWebPageOpened(WindowMessage& message);
    // Messages whose handling belongs to parts of the window not built yet: logged and
    // dropped with their payload.
    void OnNotHandledYet(WindowMessage& message);

    MainWndServices services; // dialogs must be set
    FileSelector fileSelector;
    bool initialized = false;
    bool updatePending = false;
    // Set while a notice requested by a worker thread is on screen; UI thread only.
    bool threadNoticeShown = false;

    QListWidget* leftBarPart1 = nullptr;
    QListWidget* leftBarPart2 = nullptr;
    QStackedWidget* tabFunction = nullptr;
    CConvertPage* convertPage = nullptr;
    CHomeTileList* homeTiles = nullptr;
    CRecordPage* completedPage = nullptr;
    CRecordPage* recordPage = nullptr;
    QTimer* finishTimer = nullptr;
    int finishChecks = 0;
    QWidget* caption = nullptr;
    QWidget* leftBarHead = nullptr;
    QLabel* defaultHead = nullptr;
    QLabel* headIcon = nullptr;
    QLabel* userName = nullptr;
    QSystemTrayIcon* trayIcon = nullptr;
    QTimer* firstShowTimer = nullptr;
    QPushButton* loginButton = nullptr;
    QMenu* userMenu = nullptr;
    QMenu* commandMenu = nullptr;
    QPointer<QDialog> settingWnd;
    SettingsFactory settingsFactory;
    LeftBarPageMap pageMap;
    std::pair<QListWidget*, int> shownSelection{nullptr, -1};

    RecordList completedRecords{RecordKind::Completed};
    RecordList openRecords{RecordKind::OpenRecord};
    SignInFlow signIn;
    OwnedThread<CHomeSortListThread> homeSortThread;
    OwnedThread<CWebPageThread> webPageThread;
    ConversionPipeline pipeline;
};
