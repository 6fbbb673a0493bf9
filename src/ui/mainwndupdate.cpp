// The main window's share of updating: the start-up work of the updater.
#include "ui/mainwnd.h"

#include "update/oldfolder.h"
#include "update/updatechecks.h"
#include "utility/applog.h"

#include <QTimer>

namespace {

constexpr int kOldFolderCleanUpMs = 5000;

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
