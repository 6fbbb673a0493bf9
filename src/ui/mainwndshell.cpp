// The main window's shell: the tray icon, the "≡" menu and the completion notice.
#include "ui/mainwnd.h"

#include "settings/clientinfo.h"
#include "settings/weblinks.h"
#include "ui/commandmenu.h"
#include "ui/trayicon.h"
#include "utility/applog.h"

#include <QPushButton>

namespace {

constexpr int kInfoItemHeight = 40;

} // namespace

void CMainWnd::BuildTray()
{
    if (!services.tray)
        return;
    trayIcon = new CTrayIcon(*services.tray, this);
    connect(trayIcon, &CTrayIcon::clicked, this, &CMainWnd::ToggleFromTray);
    connect(trayIcon, &CTrayIcon::commandChosen, this, &CMainWnd::OnTrayCommand);
}

void CMainWnd::ToggleFromTray()
{
    if (isVisible() && !isMinimized())
        hide();
    else
        BringToFront();
}

void CMainWnd::OnMenuButton()
{
    if (!infoMenu) {
        infoMenu = new CCommandMenu("rc_menu_info", kInfoItemHeight,
                                    {{MenuCommand::kInfoSettings, "@string/str_menu_info_0"},
                                     {MenuCommand::kInfoCheckUpdate, "@string/str_menu_info_2"},
                                     {MenuCommand::kInfoSupportGroup, "@string/str_menu_info_3"},
                                     {MenuCommand::kInfoContact, "@string/str_menu_info_4"}},
                                    this);
        // Where no tray exists its commands live here, so the program can still be quit.
        if (!trayIcon)
            infoMenu->Append({{},
                              {MenuCommand::kWebPage, "@string/str_menu_tray_1"},
                              {MenuCommand::kExit, "@string/str_menu_tray_4"}});
        connect(infoMenu, &CCommandMenu::commandChosen, this, &CMainWnd::OnInfoCommand);
    }
    infoMenu->PopupBelow(*caption->findChild<QPushButton*>(QStringLiteral("btn_menu")));
}

void CMainWnd::OnInfoCommand(int id)
{
    switch (id) {
    case MenuCommand::kInfoSettings:
        OpenSettings();
        break;
    case MenuCommand::kInfoCheckUpdate:
        PostWindowMessage(WindowMessage{WM_UPDATE_CHECK, 0, 0, {}});
        break;
    case MenuCommand::kInfoSupportGroup:
    case MenuCommand::kSettingSupportGroup:
        OpenWithDesktop(services.supportGroup, false);
        break;
    case MenuCommand::kInfoContact:
    case MenuCommand::kSettingContact:
        OpenContactPage();
        break;
    default:
        OnTrayCommand(id);
        break;
    }
}

void CMainWnd::OpenContactPage()
{
    OpenWebPage("", WebLinks::ContactPage(services.webBase, services.clientInfo->Get().md));
}

NoticeActions CMainWnd::CompletionNoticeActions()
{
    return {.open = [this](const std::string& target) { OpenWithDesktop(target, false); },
            .showSettings =
                [this] {
                    PostWindowMessage(WindowMessage{WM_SHOW_SETTINGS, 0, 0, {}});
                }};
}

void CMainWnd::OnConvertFileDone(WindowMessage& message)
{
    notice->Show(message.payload);
}
