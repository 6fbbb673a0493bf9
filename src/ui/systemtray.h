#pragma once

#include "ui/traybackend.h"

class QDBusServiceWatcher;

// The desktop's notification area through QSystemTrayIcon. A host of the area that starts
// again announces itself on the session bus; the icon is then added again.
class SystemTray : public TrayBackend
{
    Q_OBJECT

public:
    SystemTray();

    // Whether the desktop has a notification area at all.
    static bool Exists();

    void Show(const QIcon& icon, const QString& tip, QMenu* menu) override;
    void Remove() override;

private:
    QSystemTrayIcon icon;
    QDBusServiceWatcher* hostWatcher = nullptr;
};
