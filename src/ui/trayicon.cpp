#include "ui/trayicon.h"

#include "ui/commandmenu.h"
#include "ui/menucommands.h"
#include "ui/theme.h"
#include "ui/traybackend.h"

namespace {

constexpr int kItemHeight = 30;

} // namespace

CTrayIcon::CTrayIcon(TrayBackend& backend, QWidget* menuParent)
    : QObject(menuParent), backend(backend),
      menu(new CCommandMenu("rc_menu_tray", kItemHeight,
                            {{MenuCommand::kWebPage, "@string/str_menu_tray_1"},
                             {MenuCommand::kSettings, "@string/str_menu_tray_2"},
                             {},
                             {MenuCommand::kShowMain, "@string/str_menu_tray_3"},
                             {MenuCommand::kExit, "@string/str_menu_tray_4"}},
                            menuParent))
{
    connect(menu, &CCommandMenu::commandChosen, this, &CTrayIcon::commandChosen);
    connect(&backend, &TrayBackend::activated, this, [this](auto reason) {
        // A double click starts with a single one, which already acted.
        if (reason == QSystemTrayIcon::Trigger)
            emit clicked();
    });
    connect(&backend, &TrayBackend::restarted, this, &CTrayIcon::Add);
    Add();
}

CTrayIcon::~CTrayIcon()
{
    Remove();
}

void CTrayIcon::Add()
{
    backend.Show(Theme::Icon("logo"), Theme::Text("@string/str_tray_tip"), menu);
}

void CTrayIcon::Remove()
{
    backend.Remove();
}
