#pragma once

#include <QObject>

class CCommandMenu;
class QWidget;
class TrayBackend;

// The main window's icon in the notification area (`tray_main`) with its menu (711-714).
// The left button asks for the window to be shown or hidden; the icon is put back when the
// area's host restarts. Owned by the main window; the backend belongs to the program's main.
class CTrayIcon : public QObject
{
    Q_OBJECT

public:
    CTrayIcon(TrayBackend& backend, QWidget* menuParent);
    ~CTrayIcon() override;

    CCommandMenu& Menu() { return *menu; }
    void Remove();

signals:
    void clicked();
    void commandChosen(int id);

private:
    void Add();

    TrayBackend& backend;
    CCommandMenu* menu;
};
