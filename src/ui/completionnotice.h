#pragma once

#include "ui/noticeactions.h"

#include <QPointer>

#include <memory>
#include <string>

class CConvNotifyWnd;
class CDesktopNotice;
class ClientInfoRecord;

// How the completion notice appears: as the client's own window in the corner of the screen,
// or through the desktop's notification service where windows cannot place themselves.
enum class NoticeStyle
{
    Window,
    DesktopService,
};

// The style this desktop allows: Wayland compositors place every window themselves.
NoticeStyle PreferredNoticeStyle();

// The main window's completion notice: at most one on screen, shown after each saved result
// while the user wants it (ConvMsgBox). Owned by the main window; UI thread only.
class CCompletionNotice
{
public:
    CCompletionNotice(const ClientInfoRecord& clientInfo, NoticeStyle style, NoticeActions actions);
    ~CCompletionNotice();

    // A new notice replaces the one shown.
    void Show(const std::string& path);

    // The notice window on screen, or null.
    CConvNotifyWnd* Window() const;

private:
    void ShowWindow(const std::string& path);

    const ClientInfoRecord& clientInfo;
    NoticeActions actions;
    std::unique_ptr<CDesktopNotice> desktop; // DesktopService only
    QPointer<CConvNotifyWnd> window;
};
