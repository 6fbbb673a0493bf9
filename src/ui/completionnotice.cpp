#include "ui/completionnotice.h"

#include "settings/clientinfo.h"
#include "ui/convnotifywnd.h"
#include "ui/desktopnotice.h"
#include "utility/applog.h"

#include <QGuiApplication>
#include <QScreen>

#include <utility>

NoticeStyle PreferredNoticeStyle()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
               ? NoticeStyle::DesktopService
               : NoticeStyle::Window;
}

CCompletionNotice::CCompletionNotice(const ClientInfoRecord& clientInfo, NoticeStyle style,
                                     NoticeActions actions)
    : clientInfo(clientInfo), actions(std::move(actions))
{
    if (style == NoticeStyle::DesktopService)
        // Without the service the notice still appears, wherever the desktop puts it.
        desktop = std::make_unique<CDesktopNotice>(
            this->actions, [this](const std::string& path) { ShowWindow(path); });
}

CCompletionNotice::~CCompletionNotice()
{
    delete window.data();
}

CConvNotifyWnd* CCompletionNotice::Window() const
{
    return window;
}

void CCompletionNotice::Show(const std::string& path)
{
    if (!clientInfo.Get().notifyAfterFinish)
        return;
    if (desktop)
        desktop->Show(path);
    else
        ShowWindow(path);
}

void CCompletionNotice::ShowWindow(const std::string& path)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        AppLog("CCompletionNotice::ShowWindow", "no screen for the notice of " + path);
        return;
    }
    delete window.data();
    window = new CConvNotifyWnd(path, screen->availableGeometry(), actions);
    window->SlideIn();
}
