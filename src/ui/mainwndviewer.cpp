// The main window's viewing part: documents opened and printed through the viewer plug-in,
// their passwords, and what the viewer asks of the client.
#include "ui/mainwnd.h"

#include "base/dialogservice.h"
#include "task/fileadmission.h"
#include "tiles/documentviewer.h"
#include "tiles/functiondispatch.h"
#include "tiles/tileconfig.h"
#include "ui/convertpage.h"
#include "utility/applog.h"
#include "utility/tc_checkpath.h"

#include <QDialog>
#include <QPushButton>

void CMainWnd::ViewerCallback(void* window, const char* functionKey, const char* filePath)
{
    // Reads the object's type only, which is safe on any thread.
    auto* target = qobject_cast<CMainWnd*>(static_cast<QObject*>(static_cast<QWidget*>(window)));
    if (!target || !functionKey || !filePath)
        return;
    const std::string key = functionKey;
    if (key == "PDFScanner") {
        target->PostWindowMessage(WindowMessage{WM_VIEWER_RECORD, 0, 0, filePath});
        return;
    }
    // The payload is "<function key>\n<file path>_FromPlugin".
    target->PostWindowMessage(WindowMessage{
        WM_VIEWER_FUNCTION, 0, 0, key + '\n' + filePath + std::string(kFromPluginMarker)});
}

void CMainWnd::OnViewerFunction(WindowMessage& message)
{
    const auto newline = message.payload.find('\n');
    if (newline == std::string::npos)
        return;
    const std::string key = message.payload.substr(0, newline);
    // Only functions that have a tile can be asked for.
    if (!Tiles().FindItem(key))
        return;
    ConversionSession& session = Conversions();
    if (session.IsConverting()) {
        if (!RunsDuringConversion(key)) {
            AppLog("CMainWnd::OnViewerFunction", "dropped " + key + " while converting");
            return;
        }
    } else if (!convertPage->ContinueButton()->isHidden()) {
        if (session.CurrentFunction() == key) {
            StartNewBatch();
        } else {
            convertPage->ContinueButton()->hide();
            convertPage->AddFileButton()->setEnabled(true);
            convertPage->StartButton()->setEnabled(true);
            convertPage->StartButton()->show();
        }
    }
    FunctionSource source;
    source.files.push_back(message.payload.substr(newline + 1));
    OpenFunction(key, std::move(source));
}

void CMainWnd::OnOpenInViewer(WindowMessage& message)
{
    if (!message.payload.empty())
        ShowInViewer(message.payload, true, std::nullopt);
}

bool CMainWnd::NeedsPassword(const std::string& path)
{
    return services.viewer && services.viewer->NeedsPassword(path);
}

bool CMainWnd::DocumentReadable(const std::string& path, bool missingApart)
{
    const LocalFileState state = CheckLocalFile(path);
    if (missingApart && state == LocalFileState::Missing) {
        MsgBoxRequest request(MsgBoxMode::Notice, "@string/str_msgbox_file_missing");
        request.title = "@string/str_msgbox_title_tip";
        services.dialogs->ShowMessageBox(request);
        return false;
    }
    std::uint64_t size = 0;
    if (state != LocalFileState::Readable ||
        TC_CHECKPATH::TC_GetFileSize(path.c_str(), &size) != 0 || size == 0) {
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::NoticeTwoLines,
                                      "@string/str_msgbox_file_err");
        return false;
    }
    return true;
}

bool CMainWnd::AskPassword(const std::string& path, std::optional<std::string>& password)
{
    password.reset();
    if (!NeedsPassword(path))
        return true;
    MsgBoxRequest request(MsgBoxMode::Password, "");
    request.documentPath = path;
    request.bigOkText = "@string/str_msgbox_password_btn";
    request.owner = this;
    // The box checks the password with the viewer before it closes with OK.
    const MsgBoxAnswer answer = services.dialogs->ShowMessageBox(request);
    if (answer.result != MsgBoxResult::Ok)
        return false;
    password = answer.password;
    return true;
}

bool CMainWnd::ShowInViewer(const std::string& path, bool scanned,
                            const std::optional<std::string>& password)
{
    const ViewerOpen opened =
        services.viewer ? services.viewer->ShowViewer(path, &CMainWnd::ViewerCallback, scanned,
                                                      static_cast<QWidget*>(this), password)
                        : ViewerOpen::Missing;
    switch (opened) {
    case ViewerOpen::Shown:
        return true;
    case ViewerOpen::Unreadable:
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::NoticeTwoLines,
                                      "@string/str_msgbox_file_err");
        return false;
    case ViewerOpen::Missing:
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_plugin");
        return false;
    }
    return false;
}

bool CMainWnd::OpenDocument(const std::string& path)
{
    if (!DocumentReadable(path, true))
        return false;
    std::optional<std::string> password;
    if (!AskPassword(path, password))
        return false;
    currentDocument = path;
    return ShowInViewer(path, false, password);
}

void CMainWnd::ViewPdf(const std::string& path)
{
    if (OpenDocument(path))
        AddOpenRecord(path);
}

void CMainWnd::OpenPdf()
{
    const auto files = fileSelector.SelectFiles("PDF2Word", false);
    if (files && !files->empty())
        ViewPdf(files->front());
}

bool CMainWnd::PrintDocument(const std::optional<std::string>& path)
{
    std::vector<std::string> files;
    if (path) {
        files.push_back(*path);
    } else {
        auto chosen = fileSelector.SelectFiles("PDFPrint", false);
        if (!chosen)
            return false;
        files = std::move(*chosen);
    }
    if (files.empty())
        return true;
    const std::string& file = files.front();
    if (!DocumentReadable(file, false))
        return false;
    std::optional<std::string> password;
    if (!AskPassword(file, password))
        return false;
    if (!services.viewer || !services.viewer->ShowPrint(file, password)) {
        services.dialogs->ShowMessage(nullptr, MsgBoxMode::Notice, "@string/str_msgbox_plugin");
        return false;
    }
    return true;
}

void CMainWnd::OpenScanner()
{
    if (scanWnd && scanWnd->isVisible())
        return;
    if (!scannerFactory) {
        AppLog("CMainWnd::OpenScanner", "no scanner window yet");
        return;
    }
    scanWnd = scannerFactory(this);
    if (!scanWnd)
        return;
    // Window-modal without a nested loop; the window is forgotten when it closes.
    scanWnd->setAttribute(Qt::WA_DeleteOnClose);
    scanWnd->open();
}
