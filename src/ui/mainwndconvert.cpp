// The main window's conversion page: opening a function, filling the list, starting,
// finishing and leaving a batch, and the row buttons.
#include "ui/mainwnd.h"

#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "account/sessioncheck.h"
#include "adapter/filerecord.h"
#include "base/dialogservice.h"
#include "task/catalogue.h"
#include "task/fileadmission.h"
#include "tiles/functiondispatch.h"
#include "tiles/homesortlist.h"
#include "tiles/tileconfig.h"
#include "ui/convertpage.h"
#include "ui/convlistdroptarget.h"
#include "ui/convmclistadapter.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"
#include "ui/theme.h"
#include "utility/applog.h"
#include "utility/stringtable.h"
#include "utility/tc_checkpath.h"
#include "utility/tc_process.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <filesystem>

namespace {

constexpr std::uint32_t kStageStopMs = 1000;
constexpr int kFinishPollMs = 100;
constexpr int kFinishPolls = 50;
constexpr std::string_view kFromPlugin = "_FromPlugin";
constexpr int kRedownloadStartProgress = 45;
constexpr int kRedownloadRecheckMs = 300;

} // namespace

TileConfig& CMainWnd::Tiles()
{
    return *services.tiles;
}

HomeSortList& CMainWnd::SortList()
{
    return *services.homeSortList;
}

void CMainWnd::ConnectListPages()
{
    CConvertPage& page = *convertPage;
    new CConvListDropTargetMgr(*page.ListView(), page.Adapter(),
                               [this](const std::vector<std::string>& paths, bool fromPlugin) {
                                   return AddFiles(paths, fromPlugin);
                               });
    connect(page.AddFileButton(), &QPushButton::clicked, this, &CMainWnd::OnBtnAddFile);
    connect(page.StartButton(), &QPushButton::clicked, this, &CMainWnd::OnBtnStartConv);
    connect(page.ContinueButton(), &QPushButton::clicked, this, &CMainWnd::OnBtnContinue);
    connect(page.BackButton(), &QPushButton::clicked, this, &CMainWnd::OnBtnBack);
    connect(page.SaveDirButton(), &QPushButton::clicked, this, &CMainWnd::OnBtnSaveDir);
    connect(&page, &CConvertPage::saveDirCommand, this, &CMainWnd::OnSaveDirCommand);
    connect(&page, &CConvertPage::rowButtonClicked, this, &CMainWnd::OnConvertRowButton);

    connect(completedPage, &CRecordPage::rowButtonClicked, this,
            [this](const QString& name, int row) { OnRecordRowButton(*completedPage, name, row); });
    connect(recordPage, &CRecordPage::rowButtonClicked, this,
            [this](const QString& name, int row) { OnRecordRowButton(*recordPage, name, row); });
    connect(completedPage->ClearButton(), &QPushButton::clicked, this,
            [this] { OnClearRecords(*completedPage, "@string/str_completed_clear_atte"); });
    connect(recordPage->ClearButton(), &QPushButton::clicked, this,
            [this] { OnClearRecords(*recordPage, "@string/str_record_clear_atte"); });

    finishTimer = new QTimer(this);
    finishTimer->setInterval(kFinishPollMs);
    connect(finishTimer, &QTimer::timeout, this, &CMainWnd::OnFinishWaitTick);
}

void CMainWnd::OpenFunction(const std::string& key, FunctionSource source)
{
    if (key.empty())
        return;
    CConvMcListAdapterMgr& adapter = convertPage->Adapter();
    const ConversionStore& store = adapter.List().Store();
    // A finished batch of this function makes way for a new one.
    if (store.GetCount(key) > 0 && store.GetStatus(key, 0) == ConversionStatus::Completed) {
        if (adapter.CurrentFunction() != key)
            adapter.SetCurrentFunction(key);
        StartNewBatch();
    }
    const FunctionDispatch dispatch = DispatchFor(key);
    switch (dispatch.action) {
    case FunctionAction::Print:
    case FunctionAction::Scanner:
        AppLog("CMainWnd::OpenFunction", "no viewer plug-in for " + key);
        break;
    case FunctionAction::WebPage:
        if (const auto url = WebPageUrl(key, services.webBase))
            OpenWebPage(key, *url);
        break;
    case FunctionAction::Conversion:
        OpenConversionPage(key, std::move(source));
        break;
    }
}

void CMainWnd::OpenConversionPage(const std::string& key, FunctionSource source)
{
    CConvMcListAdapterMgr& adapter = convertPage->Adapter();
    const ConversionStore& store = adapter.List().Store();
    std::vector<std::string> files = std::move(source.files);
    bool fromPlugin = false;
    if (files.empty()) {
        // A pending batch of this function is shown again without asking for files.
        const bool pending =
            store.GetCount(key) > 0 && store.GetStatus(key, 0) != ConversionStatus::Completed;
        if (!pending) {
            auto chosen = fileSelector.SelectFiles(key, true);
            if (!chosen)
                return;
            files = std::move(*chosen);
        }
    } else if (files.size() == 1 && files[0].size() > kFromPlugin.size() &&
               files[0].ends_with(kFromPlugin)) {
        files[0].resize(files[0].size() - kFromPlugin.size());
        fromPlugin = true;
    }

    if (const int row = leftBarPart1->currentRow(); row >= 0)
        convertPage->BackButton()->setProperty("leftBarIndex", row);
    {
        const QSignalBlocker blocker(leftBarPart1);
        leftBarPart1->setCurrentRow(-1);
    }
    tabFunction->setCurrentIndex(static_cast<int>(MainPage::ConvertList));
    convertPage->Title()->setText(Theme::Text(Tiles().CaptionOf(key)));

    if (adapter.CurrentFunction() != key)
        adapter.SetCurrentFunction(key);
    if (files.empty())
        convertPage->NotifyDataSetChanged();
    else
        AddFiles(files, fromPlugin);
    if (store.GetCount(key) == 0)
        OnBtnBack();
}

bool CMainWnd::AddFiles(const std::vector<std::string>& paths, bool fromPlugin)
{
    convertPage->SaveDirButton()->setEnabled(true);
    CConvMcListAdapterMgr& adapter = convertPage->Adapter();
    const std::string function = adapter.CurrentFunction();
    ConversionStore& store = adapter.List().Store();
    if (!store.CanAddFiles(function))
        return false;
    if (!SortList().Get().ok) {
        homeSortThread.StartWithNotice(this, *services.dialogs);
        return false;
    }
    const std::vector<AdmissionNotice> notices = AdmitFiles(store, function, paths, fromPlugin);
    convertPage->NotifyDataSetChanged();
    for (const AdmissionNotice& notice : notices) {
        std::string text = notice.TextKey();
        if (notice.reason == AdmissionNotice::Reason::AlreadyListed ||
            notice.reason == AdmissionNotice::Reason::Unreadable)
            text = StringTable::Resolve(text) + "\n" + std::string(PathFileName(notice.path));
        services.dialogs->ShowMessage(nullptr, DialogService::kModeNotice, text);
    }
    if (store.GetCount(function) >= kMaxListFiles)
        convertPage->AddFileButton()->setEnabled(false);
    return true;
}

void CMainWnd::OnBtnAddFile()
{
    const std::string function = convertPage->Adapter().CurrentFunction();
    if (!convertPage->List().Store().CanAddFiles(function))
        return;
    const auto chosen = fileSelector.SelectFiles(function, true);
    if (chosen && !chosen->empty())
        AddFiles(*chosen, false);
}

void CMainWnd::OnBtnStartConv()
{
    if (!services.account->IsSignedIn()) {
        services.account->PromptLogin();
        return;
    }
    pipeline.StopRunning(kStageStopMs);
    CConvMcListAdapterMgr& adapter = convertPage->Adapter();
    const std::string function = adapter.CurrentFunction();
    ConversionStore& store = adapter.List().Store();
    if (store.GetCount(function) == 0)
        return;
    adapter.SetAllStatus(function, ConversionStatus::Queued, true);

    const SessionCheckParts parts{*services.account,          services.session->tokens,
                                  services.session->userInfo, signIn.TokenThread(),
                                  signIn.UserInfoThread(),    this,
                                  *services.dialogs};
    bool ready = CheckSessionBeforeConversion(parts) == SessionCheck::Ready;
    if (ready && !SortList().Get().ok) {
        homeSortThread.StartWithNotice(this, *services.dialogs);
        ready = false;
    }
    if (!ready) {
        adapter.SetAllStatus(function, ConversionStatus::Waiting, true);
        return;
    }

    const std::string customDir = convertPage->CustomDir().toStdString();
    store.SetOutputPaths(function, customDir, GetResultSuffix(function), customDir.empty());
    DisableListControls();
    if (!pipeline.Start())
        AppLog("CMainWnd::OnBtnStartConv", "a stage did not start");
}

void CMainWnd::DisableListControls()
{
    for (QWidget* control :
         {static_cast<QWidget*>(convertPage->StartButton()),
          static_cast<QWidget*>(convertPage->AddFileButton()),
          static_cast<QWidget*>(convertPage->BackButton()), static_cast<QWidget*>(leftBarPart1),
          static_cast<QWidget*>(leftBarPart2), static_cast<QWidget*>(convertPage->SaveDirButton())})
        control->setEnabled(false);
}

void CMainWnd::OnConvertFinish(WindowMessage& message)
{
    AppLog("CMainWnd::OnConvertFinish", "OnConvertFinish");
    if (!pipeline.IsCurrentFinish(message))
        return;
    // The stage that posts this is still ending: wait for the stages without blocking.
    if (finishTimer->isActive())
        return;
    finishChecks = 0;
    OnFinishWaitTick();
    if (pipeline.upload.IsRunning() || pipeline.download.IsRunning())
        finishTimer->start();
}

void CMainWnd::OnFinishWaitTick()
{
    if (pipeline.upload.IsRunning() || pipeline.download.IsRunning()) {
        if (++finishChecks < kFinishPolls)
            return;
        AppLog("CMainWnd::OnConvertFinish", "stages still running after 5 s: stopped");
        pipeline.StopRunning(kStageStopMs);
    }
    finishTimer->stop();
    ShowFinishedState();
}

void CMainWnd::ShowFinishedState()
{
    convertPage->StartButton()->setEnabled(true);
    convertPage->StartButton()->hide();
    convertPage->ContinueButton()->show();
    convertPage->BackButton()->setEnabled(true);
    leftBarPart1->setEnabled(true);
    leftBarPart2->setEnabled(true);
    AppLog("CMainWnd::OnConvertFinish", "finished state shown");
}

void CMainWnd::ResetFinishedList()
{
    if (!convertPage->ContinueButton()->isHidden())
        StartNewBatch();
}

void CMainWnd::StartNewBatch()
{
    convertPage->ContinueButton()->hide();
    convertPage->AddFileButton()->setEnabled(true);
    convertPage->StartButton()->setEnabled(true);
    convertPage->StartButton()->show();
    convertPage->Adapter().ClearCurrent();
}

void CMainWnd::OnBtnContinue()
{
    if (convertPage->IsRedownloading()) {
        services.dialogs->ShowMessage(nullptr, DialogService::kModeNotice,
                                      "@string/str_msgbox_task_busy");
        return;
    }
    const auto chosen = fileSelector.SelectFiles(convertPage->Adapter().CurrentFunction(), true);
    if (!chosen || chosen->empty())
        return;
    ResetFinishedList();
    AddFiles(*chosen, false);
}

void CMainWnd::OnBtnBack()
{
    if (convertPage->IsRedownloading()) {
        services.dialogs->ShowMessage(nullptr, DialogService::kModeNotice,
                                      "@string/str_msgbox_task_busy");
        return;
    }
    const std::string function = convertPage->Adapter().CurrentFunction();
    const ConversionStore& store = convertPage->List().Store();
    if (const int count = store.GetCount(function);
        count > 0 && store.GetStatus(function, count - 1) == ConversionStatus::Completed) {
        convertPage->ContinueButton()->show();
        convertPage->StartButton()->hide();
    }
    ResetFinishedList();
    int row = convertPage->BackButton()->property("leftBarIndex").toInt();
    if (row < 0 || row >= leftBarPart1->count())
        row = 0;
    {
        const QSignalBlocker blocker(leftBarPart1);
        leftBarPart1->setCurrentRow(row);
    }
    OnLeftBarSelection(leftBarPart1);
}

void CMainWnd::OnConvertListBack(WindowMessage&)
{
    OnBtnBack();
}

void CMainWnd::OnBtnSaveDir()
{
    QPushButton* button = convertPage->SaveDirButton();
    convertPage->SaveDirMenu()->popup(button->mapToGlobal(QPoint(-10, button->height())));
}

void CMainWnd::OnSaveDirCommand(int command)
{
    if (command == CConvertPage::kCmdSameDir) {
        convertPage->ShowSameDir();
        return;
    }
    if (command != CConvertPage::kCmdCustomDir)
        return;
    const auto folder = services.dialogs->SelectFolder(
        StringTable::Resolve("@string/str_convl_savedir_picker_title"), "");
    if (!folder)
        return;
    std::error_code error;
    if (folder->empty() || !std::filesystem::is_directory(*folder, error)) {
        services.dialogs->ShowMessage(nullptr, DialogService::kModeNotice,
                                      "@string/str_msgbox_savedir_invalid");
        return;
    }
    convertPage->ShowCustomDir(QString::fromStdString(*folder));
}

bool CMainWnd::OpenWithDesktop(const std::string& path, bool checkExists)
{
    if (checkExists && !TC_CHECKPATH::TC_FileExist(path.c_str())) {
        MsgBoxRequest request(DialogService::kModeNotice, "@string/str_msgbox_file_missing");
        request.title = "@string/str_msgbox_title_tip";
        services.dialogs->ShowMessageBox(request);
        return false;
    }
    if (TC_PROCESS::OpenWithDesktop(path.c_str()))
        return true;
    AppLog("CMainWnd::OpenWithDesktop", "could not open " + path);
    services.dialogs->ShowMessage(nullptr, DialogService::kModeNotice,
                                  "@string/str_msgbox_open_failed");
    return false;
}

void CMainWnd::OnConvertRowButton(const QString& name, int row)
{
    CConvMcListAdapterMgr& adapter = convertPage->Adapter();
    const std::string function = adapter.CurrentFunction();
    const ConversionStore& store = adapter.List().Store();
    if (row < 0 || row >= store.GetCount(function))
        return;
    if (name == QLatin1String("btn_convl_delete")) {
        adapter.RemoveAt(function, row);
        if (store.GetCount(function) == 0)
            PostWindowMessage(WindowMessage{WM_CONVERT_LIST_BACK, 0, 0, {}});
        convertPage->AddFileButton()->setEnabled(true);
    } else if (name == QLatin1String("btn_convl_openFile")) {
        OpenWithDesktop(store.GetOutputPath(function, row), true);
    } else if (name == QLatin1String("btn_convl_openDir")) {
        OpenWithDesktop(std::string(PathDirectory(store.GetOutputPath(function, row))), false);
    } else if (name == QLatin1String("btn_convl_download")) {
        Redownload(row);
    }
}

void CMainWnd::Redownload(int row)
{
    // Signed out, the row would wait for a thread that ends at once: it stays as it is.
    if (!services.account->IsSignedIn()) {
        services.account->PromptLogin();
        return;
    }
    CConvMcListAdapterMgr& adapter = convertPage->Adapter();
    const std::string function = adapter.CurrentFunction();
    adapter.SetStatus(function, row, ConversionStatus::RedownloadRequested, false);
    adapter.List().Store().SetProgress(function, row, kRedownloadStartProgress);
    adapter.NotifyItemChanged(row);
    convertPage->RetryThread().Enqueue(function, row);
    ResumeRedownloads();
    // A thread that was just ending may have missed the row: look again once it has ended.
    QTimer::singleShot(kRedownloadRecheckMs, this, &CMainWnd::ResumeRedownloads);
}

void CMainWnd::ResumeRedownloads()
{
    CRetryDownloadThread& retry = convertPage->RetryThread();
    if (retry.IsRunning())
        return;
    const std::string function = convertPage->Adapter().CurrentFunction();
    const auto items = convertPage->List().Store().GetItems(function);
    const bool waiting = std::any_of(items.begin(), items.end(), [](const ConversionItem& item) {
        return item.status == ConversionStatus::RedownloadRequested;
    });
    if (!waiting)
        return;
    retry.SetMainWnd(this);
    retry.SetConvList(&convertPage->List());
    retry.Start();
}

void CMainWnd::OnCompletedListChanged(WindowMessage&)
{
    completedPage->Adapter().Refresh();
}

void CMainWnd::OnTileClicked(WindowMessage& message)
{
    // The payload names the tile's function.
    FunctionSource source;
    source.tile = static_cast<int>(message.lParam);
    OpenFunction(message.payload, std::move(source));
}

void CMainWnd::OnViewerFunction(WindowMessage& message)
{
    // The payload is "<function key>\n<file path>_FromPlugin".
    const auto newline = message.payload.find('\n');
    if (newline == std::string::npos)
        return;
    FunctionSource source;
    source.files.push_back(message.payload.substr(newline + 1));
    OpenFunction(message.payload.substr(0, newline), std::move(source));
}
