#pragma once

#include "account/accountstartup.h"
#include "base/windowmessage.h"
#include "task/conversionsession.h"
#include "tiles/fileselector.h"
#include "ui/completionnotice.h"
#include "ui/menucommands.h"

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class AccountDatabase;
class AccountLibrary;
struct AccountSession;
class CCommandMenu;
class CConvertPage;
class CFileTilePage;
class CTileViewDropTargetMgr;
class CMainTilePage;
class CRecordPage;
class CSettingWnd;
struct UpdateChecks;
class CTrayIcon;
class ClientInfoRecord;
class DialogService;
class DocumentViewer;
class HomeSortList;
class QKeyEvent;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTimer;
class SignInFlow;
class TileBackground;
class TileConfig;
class TrayBackend;

// What the main window works with, built by the program's main (tests build their own). Every
// pointer must be set; the services outlive the window.
struct MainWndServices
{
    DialogService* dialogs = nullptr;
    ConversionSession* conversions = nullptr;
    SignInFlow* signIn = nullptr;
    TileBackground* tileWork = nullptr;
    AccountLibrary* account = nullptr;
    AccountSession* session = nullptr;
    AccountDatabase* database = nullptr;
    ClientInfoRecord* clientInfo = nullptr;
    HomeSortList* homeSortList = nullptr;
    TileConfig* tiles = nullptr; // loaded
    // The viewer and tool-kit plug-ins; null when the program has none (documents cannot be
    // viewed or printed then).
    DocumentViewer* viewer = nullptr;
    std::string apiBase;
    std::string webBase;         // the service's web site, without a trailing '/'
    std::string supportGroup;    // the users' support group's join page
    std::string appDataDir;      // holds xml/ and Settings.ini; empty keeps records in memory
    std::string configPath;      // the work directory's Config.ini (first-start check)
    TrayBackend* tray = nullptr; // the desktop's notification area; none: closing minimises
    NoticeStyle noticeStyle = NoticeStyle::Window;
    // The update checks; none: no check runs.
    UpdateChecks* updates = nullptr;
    // The start-up check of the account plug-in's file failed.
    bool accountComponentMissing = false;
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
// the controls. Owns the pages and no thread: it drives the conversion session, the sign-in
// flow and the tile pages' threads it borrows. Closing only hides it.
class CMainWnd : public QWidget, public MessageTarget, private ConversionHost
{
    Q_OBJECT

public:
    static constexpr int kWidth = 1031;
    static constexpr int kHeight = 646;
    static constexpr int kMinWidth = 840;
    static constexpr int kMinHeight = 560;

    // Tray-menu commands.
    static constexpr int kCmdWebPage = MenuCommand::kWebPage;
    static constexpr int kCmdSettings = MenuCommand::kSettings;
    static constexpr int kCmdShowMain = MenuCommand::kShowMain;
    static constexpr int kCmdExit = MenuCommand::kExit;

    explicit CMainWnd(MainWndServices services, QWidget* parent = nullptr);
    ~CMainWnd() override;

    // The window's start-up: threads wired, records loaded, page map filled, first page shown.
    void Initialize();

    // Any thread.
    void PostWindowMessage(WindowMessage message) override;

    bool IsConverting() const;
    void BringToFront();
    void OnTrayCommand(int id);
    // The information menu's commands (510-514), and the settings window's (611, 612).
    void OnInfoCommand(int id);
    // Asks while rows are in progress, then stops every thread and animates the window out.
    void Exit();
    void StopAllThreads();
    // Ends the process at once with 0: removes the tray icon, no clean-up.
    void ExitNow();

    // The scanner window's maker; until one is given the scanner function does nothing.
    using ScannerFactory = std::function<QDialog*(QWidget* owner)>;
    void SetScannerFactory(ScannerFactory factory) { scannerFactory = std::move(factory); }

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
    // Opens the PDF file `path` for viewing and records it, telling the user when it cannot.
    void ViewPdf(const std::string& path);
    // Shows `path` in the viewer, asking for its password when it has one; false (the user
    // told why, unless they cancelled) when nothing was shown.
    bool OpenDocument(const std::string& path);
    // Opens the print window for `path`, or for a PDF the user chooses when there is none;
    // false when cancelled or the file cannot be read.
    bool PrintDocument(const std::optional<std::string>& path);
    bool NeedsPassword(const std::string& path);
    // Handed to the viewer plug-in: runs on the viewer's thread and only posts to `window`, the
    // main window.
    static void ViewerCallback(void* window, const char* functionKey, const char* filePath);
    // The document last opened in the viewer.
    const std::string& CurrentDocument() const { return currentDocument; }
    // Puts `path` at the top of the open records, keeping an existing record's date.
    void AddOpenRecord(const std::string& path);
    // Shows the drop page for files chosen outside the window: a tile opens its function
    // with those of the files it takes.
    void OfferFiles(const std::vector<std::string>& paths);

    CConvertPage& ConvertPage() { return *convertPage; }
    CRecordPage& CompletedPage() { return *completedPage; }
    CRecordPage& RecordPage() { return *recordPage; }
    const LeftBarPageMap& PageMap() const { return pageMap; }
    CCompletionNotice& Notice() { return *notice; }
    // The settings window while it is open.
    CSettingWnd* SettingWindow() const;

signals:
    // The tile page lays its groups out again (after a width change, and once more shortly
    // after).
    void tilesRelayoutRequested();
    // A left-bar group was chosen: the tile page scrolls to the group title at `titleIndex`.
    void tileGroupSelected(int titleIndex);
    // The exit animation began.
    void exiting();
    // WM_UPDATE_CHECK arrived: the user asked for a manual update check.
    void updateCheckRequested();

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
    // Left click on the tray icon: hides a shown window, brings back a hidden one.
    void ToggleFromTray();
    // "≡": the information menu, with the tray's commands when there is no tray.
    void OnMenuButton();
    NoticeActions CompletionNoticeActions();
    void ShowUserName(const QString& text);
    void WireThreads();
    void LoadRecords();
    ConversionSession& Conversions() { return *services.conversions; }
    SignInFlow& SignIn() { return *services.signIn; }
    TileBackground& TileWork() { return *services.tileWork; }
    void Dispatch(WindowMessage& message);
    void HideToBackground();
    void OnLeftBarSelection(QListWidget* list);
    // The tile page scrolled to the group of left-bar entry `index`: marks it without
    // scrolling again.
    void SelectTileGroup(int index);
    void BuildTilePages();
    void RestoreLeftBarSelection();
    // Tab and Shift+Tab inside a left-bar list, Enter and Space on its entries; true when used.
    bool OnLeftBarKey(QListWidget* list, const QKeyEvent& key);
    void OpenSettings();
    void OpenScanner();
    void OpenPdf();
    // The viewer part: whether `path` can be read, telling the user when not (a missing file
    // told apart when `missingApart`).
    bool DocumentReadable(const std::string& path, bool missingApart);
    // The open password of `path` when it needs one, asked in the password box; false when the
    // user cancelled.
    bool AskPassword(const std::string& path, std::optional<std::string>& password);
    bool ShowInViewer(const std::string& path, bool scanned,
                      const std::optional<std::string>& password);
    void OpenWebHome();
    void OpenContactPage();
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
    void DisableListControls();
    // Only when the finished state shows: empties the list for a new batch.
    void ResetFinishedList();
    void StartNewBatch();
    void ShowFinishedState();

    // What the conversion session asks of the window and tells it.
    bool SignedIn() override;
    bool SessionReady() override;
    bool ServiceDataReady() override;
    void After(std::chrono::milliseconds delay, std::function<void()> work) override;
    void RowsChanged() override;
    void RowChanged(int row) override;
    void RunFinished() override;
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
    void OnConvertFileDone(WindowMessage& message);
    void OnUpdateCheck(WindowMessage& message);
    void OnUpdateResult(WindowMessage& message);
    void OnUpdateForced(WindowMessage& message);
    // Opens the update box in `state` over the window; `closed` gets its result.
    void ShowUpdateBox(int state, std::function<void(int result)> closed);
    // The update work of a start: the check for a newer version and the delayed clean-up
    // of an older layout's folder.
    void StartUpdateWork();
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
    void OnOpenInViewer(WindowMessage& message);
    void OnWebPageOpened(WindowMessage& message);

    MainWndServices services;
    FileSelector fileSelector;
    bool initialized = false;
    // An update is on offer: the first-start invitation waits.
    bool updatePending = false;
    // The update box or the failed-check notice is on screen: further results are dropped.
    bool updateBoxShown = false;
    // Set while a notice requested by a worker thread is on screen; UI thread only.
    bool threadNoticeShown = false;

    QListWidget* leftBarPart1 = nullptr;
    QListWidget* leftBarPart2 = nullptr;
    QStackedWidget* tabFunction = nullptr;
    CConvertPage* convertPage = nullptr;
    CMainTilePage* homeTiles = nullptr;
    CFileTilePage* fileTiles = nullptr;
    CTileViewDropTargetMgr* tileDrop = nullptr;
    CRecordPage* completedPage = nullptr;
    CRecordPage* recordPage = nullptr;
    QWidget* caption = nullptr;
    QWidget* leftBarHead = nullptr;
    QLabel* defaultHead = nullptr;
    QLabel* headIcon = nullptr;
    QLabel* userName = nullptr;
    CTrayIcon* trayIcon = nullptr;
    CCommandMenu* infoMenu = nullptr;
    std::unique_ptr<CCompletionNotice> notice;
    QTimer* firstShowTimer = nullptr;
    QPushButton* loginButton = nullptr;
    QMenu* userMenu = nullptr;
    QPointer<CSettingWnd> settingWnd;
    QPointer<QDialog> scanWnd;
    ScannerFactory scannerFactory;
    std::string currentDocument;
    LeftBarPageMap pageMap;
    std::pair<QListWidget*, int> shownSelection{nullptr, -1};
};
