#include "ui/systemtray.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QMenu>

namespace {

// Where the hosts of status-notifier icons register; it comes back when the panel restarts.
constexpr const char* kStatusNotifierWatcher = "org.kde.StatusNotifierWatcher";

} // namespace

SystemTray::SystemTray()
{
    icon.setObjectName(QStringLiteral("tray_main"));
    connect(&icon, &QSystemTrayIcon::activated, this, &TrayBackend::activated);
    // An X11 tray that starts again is found by Qt itself; a status-notifier host is not
    // always, so it is told about the icon again.
    hostWatcher = new QDBusServiceWatcher(QString::fromLatin1(kStatusNotifierWatcher),
                                          QDBusConnection::sessionBus(),
                                          QDBusServiceWatcher::WatchForRegistration, this);
    connect(hostWatcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayBackend::restarted);
}

bool SystemTray::Exists()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTray::Show(const QIcon& image, const QString& tip, QMenu* menu)
{
    icon.setIcon(image);
    icon.setToolTip(tip);
    icon.setContextMenu(menu);
    // Hiding first makes the platform register the icon anew.
    icon.hide();
    icon.show();
}

void SystemTray::Remove()
{
    icon.hide();
}
