#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QIcon;
class QMenu;
class QString;

// The desktop's notification area as the tray icon uses it. The program's main makes the
// system's (SystemTray) when the desktop has one; tests stand in for it and emit the signals.
class TrayBackend : public QObject
{
    Q_OBJECT

public:
    // Puts the icon into the area, or puts it back; the desktop opens `menu` on the right
    // button.
    virtual void Show(const QIcon& icon, const QString& tip, QMenu* menu) = 0;
    virtual void Remove() = 0;

signals:
    void activated(QSystemTrayIcon::ActivationReason reason);
    // The area's host started again: icons shown before are gone from it.
    void restarted();
};
