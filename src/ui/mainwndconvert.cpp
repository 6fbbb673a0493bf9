// The main window's conversion page: opening a function, filling the list, starting,
// finishing and leaving a batch, and the row buttons.
#include "ui/mainwnd.h"

#include "account/signinflow.h"
#include "tiles/tilebackground.h"

#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "account/sessioncheck.h"
#include "adapter/filerecord.h"
#include "base/dialogservice.h"
#include "task/fileadmission.h"
#include "tiles/functiondispatch.h"
#include "tiles/homesortlist.h"
#include "tiles/tileconfig.h"
#include "ui/convertpage.h"
#include "ui/convlistdroptarget.h"
#include "ui/recordmclistadapter.h"
#include "ui/recordpage.h"
#include "ui/theme.h"
#include "ui/tiledroptarget.h"
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

#include <filesystem>

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
}

void CMainWnd::OpenFunction(const std::string& key, FunctionSource source)
{
    if (key.empty())
        return;
    ConversionSession& session = Conversions();
    // A finished batch of this function makes way for a new one.
    if (session.HasFinishedBatch(key)) {
        if (session.CurrentFunction() != key)
            session.ShowFunction(key);
        StartNewBatch();
    }
    const FunctionDispatch dispatch = DispatchFor(key);
    switch (dispatch.action) {
    case FunctionAction::Print:
        PrintDocument(source.files.empty() ? std::nullopt
                                           : std::optional<std::string>(source.files.front()));
        break;
    case FunctionAction::Scanner:
        OpenScanner();
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
    ConversionSession& session = Conversions();
    std::vector<std::string> files = std::move(source.files);
    bool fromPlugin = false;
    if (files.empty()) {
        // A pending batch of this function is shown again without asking for files.
        if (!session.HasPendingBatch(key)) {
            auto chosen = fileSelector.SelectFiles(key, true);
            if (!chosen)
                return;
            files = std::move(*chosen);
        }
    } else if (files.size() == 1 && files[0].size() > kFromPluginMarker.size() &&
               files[0].ends_with(kFromPluginMarker)) {
        files[0].resize(files[0].size() - kFromPluginMarker.size());
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

    if (session.CurrentFunction() != key)
        session.ShowFunction(key);
    if (files.empty())
        convertPage->NotifyDataSetChanged();
    else
        AddFiles(files, fromPlugin);
    if (session.RowCount() == 0)
        OnBtnBack();
}

bool CMainWnd::AddFiles(const std::vector<std::string>& paths, bool fromPlugin)
{
    convertPage->SaveDirButton()->setEnabled(true);
    ConversionSession& session = Conversions();
    const auto notices = session.AddFiles(paths, fromPlugin);
    if (!notices)
        return false;
    for (const AdmissionNotice& notice : *notices) {
        std::string text = notice.TextKey();
        if (notice.reason == AdmissionNotice::Reason::AlreadyListed ||
            notice.reason == AdmissionNotice::Reason::Unreadable)
            text = StringTable::Resolve(text) + "\n" + std::string(PathFileName(notice.path));
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, text);
    }
    if (session.RowCount() >= kMaxListFiles)
        convertPage->AddFileButton()->setEnabled(false);
    return true;
}

void CMainWnd::OnBtnAddFile()
{
    if (!Conversions().CanAddFiles())
        return;
    const auto chosen = fileSelector.SelectFiles(Conversions().CurrentFunction(), true);
    if (chosen && !chosen->empty())
        AddFiles(*chosen, false);
}

void CMainWnd::OnBtnStartConv()
{
    if (Conversions().Start(convertPage->CustomDir().toStdString()) ==
        ConversionSession::StartResult::Started)
        DisableListControls();
}

bool CMainWnd::SignedIn()
{
    if (services.account->IsSignedIn())
        return true;
    services.account->PromptLogin();
    return false;
}

bool CMainWnd::SessionReady()
{
    const SessionCheckParts parts{*services.account,          services.session->tokens,
                                  services.session->userInfo, SignIn().TokenThread(),
                                  SignIn().UserInfoThread(),  this,
                                  *services.dialogs};
    return CheckSessionBeforeConversion(parts) == SessionCheck::Ready;
}

bool CMainWnd::ServiceDataReady()
{
    if (SortList().Get().ok)
        return true;
    TileWork().HomeSortThread().StartWithNotice(this, *services.dialogs);
    return false;
}

void CMainWnd::After(std::chrono::milliseconds delay, std::function<void()> work)
{
    QTimer::singleShot(delay, this, std::move(work));
}

void CMainWnd::RowsChanged()
{
    convertPage->NotifyDataSetChanged();
}

void CMainWnd::RowChanged(int row)
{
    convertPage->NotifyItemChanged(row);
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
    Conversions().OnConvertFinish(message);
}

void CMainWnd::RunFinished()
{
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
    Conversions().ClearRows();
}

void CMainWnd::OnBtnContinue()
{
    if (Conversions().IsRedownloading()) {
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_task_busy");
        return;
    }
    const auto chosen = fileSelector.SelectFiles(Conversions().CurrentFunction(), true);
    if (!chosen || chosen->empty())
        return;
    ResetFinishedList();
    AddFiles(*chosen, false);
}

void CMainWnd::OnBtnBack()
{
    if (Conversions().IsRedownloading()) {
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_task_busy");
        return;
    }
    const std::string function = Conversions().CurrentFunction();
    const ConversionStore& store = Conversions().List().Store();
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
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice,
                                      "@string/str_msgbox_savedir_invalid");
        return;
    }
    convertPage->ShowCustomDir(QString::fromStdString(*folder));
}

bool CMainWnd::OpenWithDesktop(const std::string& path, bool checkExists)
{
    if (checkExists && !TC_CHECKPATH::TC_FileExist(path.c_str())) {
        MsgBoxRequest request(MsgBoxMode::Notice, "@string/str_msgbox_file_missing");
        request.title = "@string/str_msgbox_title_tip";
        services.dialogs->ShowMessageBox(request);
        return false;
    }
    if (TC_PROCESS::OpenWithDesktop(path.c_str()))
        return true;
    AppLog("CMainWnd::OpenWithDesktop", "could not open " + path);
    services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_open_failed");
    return false;
}

void CMainWnd::OnConvertRowButton(const QString& name, int row)
{
    ConversionSession& session = Conversions();
    const std::string function = session.CurrentFunction();
    const ConversionStore& store = session.List().Store();
    if (row < 0 || row >= session.RowCount())
        return;
    if (name == QLatin1String("btn_convl_delete")) {
        session.RemoveRow(row);
        if (session.RowCount() == 0)
            PostWindowMessage(WindowMessage{WM_CONVERT_LIST_BACK, 0, 0, {}});
        convertPage->AddFileButton()->setEnabled(true);
    } else if (name == QLatin1String("btn_convl_openFile")) {
        OpenWithDesktop(store.GetOutputPath(function, row), true);
    } else if (name == QLatin1String("btn_convl_openDir")) {
        OpenWithDesktop(std::string(PathDirectory(store.GetOutputPath(function, row))), false);
    } else if (name == QLatin1String("btn_convl_download")) {
        session.Redownload(row);
    }
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
    if (source.tile == FunctionSource::kSmallTile)
        source.files = tileDrop->TakeOffered(message.payload);
    OpenFunction(message.payload, std::move(source));
}

void CMainWnd::OfferFiles(const std::vector<std::string>& paths)
{
    tileDrop->Offer(paths);
}
