// The main window's share of updating: the start-up work of the updater, the check results
// and the update box.
#include "ui/mainwnd.h"

#include "base/dialogservice.h"
#include "ui/trayicon.h"
#include "ui/updatebox.h"
#include "update/oldfolder.h"
#include "update/updatechecks.h"
#include "utility/applog.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

namespace {

constexpr int kOldFolderCleanUpMs = 5000;
// A forced update clears the desktop of the client's other windows shortly after its box
// shows.
constexpr int kForcedHideMs = 300;

bool IsOfferState(std::intptr_t state, std::intptr_t lowest)
{
    return state >= lowest && state <= kUpdateNewerVersion;
}

// Starts `thread` unless it runs, with the window as the receiver of its result.
void StartCheck(CUpdateCheckThread& thread, const UpdateSource& source, MessageTarget* window)
{
    if (thread.IsRunning())
        return;
    thread.SetSource(source);
    thread.SetMainWnd(window);
    thread.Start();
}

} // namespace

void CMainWnd::StartUpdateWork()
{
    if (services.updates)
        StartCheck(services.updates->startup, services.updates->source, this);
    QTimer::singleShot(kOldFolderCleanUpMs, this, [dir = services.appDataDir] {
        if (RemoveOldFolder(dir))
            AppLog("CMainWnd::StartUpdateWork", "removed the folder of an older layout");
    });
}

void CMainWnd::OnUpdateCheck(WindowMessage&)
{
    AppLog("CMainWnd::OnUpdateCheck", "manual update check requested");
    emit updateCheckRequested();
    if (services.updates)
        StartCheck(services.updates->manual, services.updates->source, this);
}

void CMainWnd::OnUpdateResult(WindowMessage& message)
{
    constexpr std::uintptr_t kCheckFailed = 1;
    updatePending = true;
    if (updateBoxShown)
        return;
    const auto closed = [this](int result) {
        if (result != static_cast<int>(MsgBoxResult::Ok))
            updatePending = false;
        updateBoxShown = false;
    };
    if (message.wParam != kCheckFailed && !IsOfferState(message.lParam, kUpdateUpToDate)) {
        AppLog("CMainWnd::OnUpdateResult", "unknown state " + std::to_string(message.lParam));
        closed(0);
        return;
    }
    updateBoxShown = true;
    if (message.wParam == kCheckFailed) {
        closed(static_cast<int>(services.dialogs->ShowMessage(
            this, MsgBoxMode::Notice, "@string/str_msgbox_checkupdate_fail")));
        return;
    }
    ShowUpdateBox(static_cast<int>(message.lParam), closed);
}

void CMainWnd::OnUpdateForced(WindowMessage& message)
{
    if (updateBoxShown)
        return;
    if (!IsOfferState(message.lParam, kUpdateInstallerReady)) {
        // The check could not offer the update it must: the client may not go on.
        AppLog("CMainWnd::OnUpdateForced", "a forced update cannot be offered");
        ExitNow();
        return;
    }
    updateBoxShown = true;
    QTimer::singleShot(kForcedHideMs, this, [this] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && !qobject_cast<CUpdateBox*>(top))
                top->hide();
        }
    });
    if (trayIcon)
        trayIcon->Remove();
    // The box's own buttons never accept: closing it in any way ends the client.
    ShowUpdateBox(static_cast<int>(message.lParam), [this](int) { ExitNow(); });
}

void CMainWnd::ShowUpdateBox(int state, std::function<void(int result)> closed)
{
    UpdateBoxContext context{services.updates ? services.updates->source : UpdateSource{},
                             [this] { return IsConverting(); }, [this] { ExitNow(); }};
    auto* box = new CUpdateBox(static_cast<UpdateBoxState>(state), std::move(context), this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, std::move(closed));
    // Window-modal without a nested loop.
    box->open();
}
