#pragma once

#include "ui/noticeactions.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <map>
#include <optional>
#include <string>

class QDBusPendingCallWatcher;

// The completion notice through the desktop's notification service (freedesktop
// notifications on the session bus), for desktops that place every window themselves. It
// offers the notice window's actions; a new notice replaces the one shown. UI thread only.
class CDesktopNotice : public QObject
{
    Q_OBJECT

public:
    // `unavailable` is told the path of a notice the service did not take.
    CDesktopNotice(NoticeActions actions, std::function<void(const std::string&)> unavailable,
                   QDBusConnection bus = QDBusConnection::sessionBus());

    // Asks the service without waiting for it. While the service has not yet named the notice
    // before, the new one waits for that name, so it can replace the notice.
    void Show(const std::string& path);

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    void Notify(const std::string& path);
    void OnNotifyReply(QDBusPendingCallWatcher* call, const std::string& path);

    NoticeActions actions;
    std::function<void(const std::string&)> unavailable;
    QDBusConnection bus;
    uint shownId = 0;                  // the notice a new one replaces
    bool asking = false;               // a Notify call has not been answered yet
    std::optional<std::string> queued; // the latest notice asked for meanwhile
    std::map<uint, std::string> paths; // notices on screen, by the service's id
};
