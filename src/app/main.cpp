#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountloader.h"
#include "account/accountsession.h"
#include "account/accountstartup.h"
#include "app/crashreport.h"
#include "app/singleinstance.h"
#include "app/startuplog.h"
#include "plugindigests.h"
#include "settings/clientinfo.h"
#include "settings/servicelocations.h"
#include "settings/settingsfiles.h"
#include "settings/startupsettings.h"
#include "tiles/homesortlist.h"
#include "tiles/tileconfig.h"
#include "ui/mainwnd.h"
#include "ui/monitortable.h"
#include "ui/qtdialogservice.h"
#include "ui/theme.h"
#include "utility/tc_http.h"
#include "utility/utilitycalls.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSystemTrayIcon>

#include <cstdio>
#include <ctime>

namespace {

constexpr const char* kUserAgent =
    "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 10.0; WOW64; Trident/7.0; .NET4.0C; .NET4.0E; "
    "InfoPath.3) Tevra Browser ( Tevra Reader/8.0.0.0803, en-US; ContentSyndication/1.0.9.428 )";

void CentreOnPrimaryScreen(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::time_t startTime = std::time(nullptr);
    if (const auto appData = Utility::AppDataPath())
        ArmCrashReports(*appData + "dump/", startTime);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dokora"));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.Acquire())
        return 0;

    const auto workDir = Utility::WorkPath();
    if (workDir) {
        QDir::setCurrent(QString::fromStdString(*workDir));
        StartAppLogIfMarked(*workDir);
    }
    Theme::Apply(app);
    Monitors();

    TC_HTTP::Init(kUserAgent);
    ClientInfoRecord clientInfo;
    if (const auto failure = LoadStartupSettings(clientInfo, DefaultStartupSources())) {
        std::fprintf(stderr, "dokora: %s\n", failure->message.c_str());
        return 1;
    }
    const ServiceLocations locations = ReadServiceLocations(ConfigIniPath());

    // The account plug-in's file is checked now; it is loaded once the window shows.
    const auto accountSetup =
        WorkDirectoryPluginSetup(workDir, KovaultDigest(), clientInfo.Get().wua, locations.sso);
    const bool accountComponentMissing =
        accountSetup &&
        VerifyAccountPlugin(accountSetup->pluginPath, KovaultDigest()) != PluginCheck::Authentic;

    // The plug-in is never unloaded and keeps the holder as its callbacks' context, so the
    // holder lives as long as the process.
    static AccountLibrary* const account = new AccountLibrary;
    AccountSession session(*account, locations.api, locations.sso);
    AccountDatabase database;
    HomeSortList homeSortList;
    TileConfig tiles;
    tiles.Load(TileConfig::UserFilePath());

    QtDialogService dialogs;
    MainWndServices services;
    services.dialogs = &dialogs;
    services.account = account;
    services.session = &session;
    services.database = &database;
    services.clientInfo = &clientInfo;
    services.homeSortList = &homeSortList;
    services.tiles = &tiles;
    services.apiBase = locations.api;
    services.webBase = locations.web;
    services.pollInterval = locations.pollInterval;
    services.appDataDir = Utility::AppDataPath().value_or("");
    services.configPath = workDir ? *workDir + "Config.ini" : "";
    services.systemTray = QSystemTrayIcon::isSystemTrayAvailable();
    services.workDir = workDir.value_or("");
    services.accountComponentMissing = accountComponentMissing;
    services.startAccount = [&accountSetup](MessageTarget* mainWnd) {
        return InitAccount(*account, mainWnd, accountSetup);
    };

    int result = 0;
    {
        CMainWnd window(services);
        dialogs.SetMainWindow(&window);
        QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                         &CMainWnd::BringToFront);
        window.Initialize();
        CentreOnPrimaryScreen(window);
        window.show();
        result = QApplication::exec();
    }
    TC_HTTP::Release();
    return result;
}
