#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountloader.h"
#include "account/accountsession.h"
#include "account/accountstartup.h"
#include "account/signinflow.h"
#include "app/crashreport.h"
#include "app/singleinstance.h"
#include "app/startfiles.h"
#include "app/startuplog.h"
#include "plugindigests.h"
#include "scan/scanimagenames.h"
#include "scan/twainmanager.h"
#include "scan/twscanbase.h"
#include "settings/clientinfo.h"
#include "settings/servicelocations.h"
#include "settings/settingsfiles.h"
#include "settings/startupsettings.h"
#include "task/conversionsession.h"
#include "tiles/homesortlist.h"
#include "tiles/tilebackground.h"
#include "tiles/tileconfig.h"
#include "tiles/viewerplugins.h"
#include "ui/mainwnd.h"
#include "ui/monitortable.h"
#include "ui/qtdialogservice.h"
#include "ui/qttranslations.h"
#include "ui/scannerwnd.h"
#include "ui/systemtray.h"
#include "ui/theme.h"
#include "update/updatechecks.h"
#include "utility/tc_http.h"
#include "utility/utilitycalls.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

// How long each thread gets to stop when the user signs out.
constexpr std::uint32_t kThreadStopMs = 1000;

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

    const StartFiles startFiles = ParseStartFiles(QApplication::arguments().mid(1),
                                                  QDir::currentPath(), StartedByDesktopHandoff());
    SingleInstance instance;
    if (!instance.Acquire(startFiles))
        return 0;
    MarkDesktopHandoff();

    const auto workDir = Utility::WorkPath();
    if (workDir) {
        QDir::setCurrent(QString::fromStdString(*workDir));
        StartAppLogIfMarked(*workDir);
    }
    Theme::Apply(app);
    InstallQtTranslations(app);
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

    // Checked and loaded on first use; the message box asks the viewer about passwords.
    ViewerPlugins viewer({workDir.value_or(""), LeafviewDigest(), QuillkitDigest()});
    // The scanner manager, checked and loaded when the scanner window first opens.
    TwainManagerPlugin twain(workDir.value_or(""), TwaindsmDigest());
    ScanImageNames scanImageNames;
    QtDialogService dialogs;
    dialogs.SetPasswordVerifier(&viewer);
    MainWndServices services;
    services.dialogs = &dialogs;
    services.viewer = &viewer;
    services.account = account;
    services.session = &session;
    services.database = &database;
    services.clientInfo = &clientInfo;
    services.homeSortList = &homeSortList;
    services.tiles = &tiles;
    services.apiBase = locations.api;
    services.webBase = locations.web;
    services.supportGroup = locations.supportGroup;
    services.appDataDir = Utility::AppDataPath().value_or("");
    services.configPath = workDir ? *workDir + "Config.ini" : "";
    const auto tray = SystemTray::Exists() ? std::make_unique<SystemTray>() : nullptr;
    services.tray = tray.get();
    services.noticeStyle = PreferredNoticeStyle();
    services.accountComponentMissing = accountComponentMissing;

    int result = 0;
    {
        // Its threads end before the HTTP layer does.
        ConversionSession conversions({.access = ServiceAccess(locations.api, &session.tokens),
                                       .clientInfo = &clientInfo,
                                       .pollInterval = locations.pollInterval,
                                       .account = account});
        services.conversions = &conversions;
        SignInFlow signIn({*account, session, database, clientInfo, services.appDataDir,
                           workDir.value_or(""),
                           [&accountSetup](MessageTarget* mainWnd) {
                               return InitAccount(*account, mainWnd, accountSetup);
                           },
                           [&conversions] { conversions.StopRunning(kThreadStopMs); }});
        services.signIn = &signIn;
        TileBackground tileWork(homeSortList, locations.api, *account, clientInfo);
        services.tileWork = &tileWork;
        UpdateChecks updates{UpdateSource::FromSystem(locations.files), {}, {}};
        services.updates = &updates;
        CMainWnd window(services);
        dialogs.SetMainWindow(&window);
        QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                         &CMainWnd::BringToFront);
        QObject::connect(&instance, &SingleInstance::filesReceived, &window,
                         [&window](const StartFiles& files) { OpenStartFiles(window, files); });
        window.SetScannerFactory([&twain, &scanImageNames, &services, &window](QWidget* owner) {
            auto scanner = std::make_unique<TW_ScanBase>([&twain] { return twain.Entry(); });
            return new CScannerWnd(
                {std::move(scanner), &scanImageNames, services.appDataDir, &window}, owner);
        });
        window.Initialize();
        CentreOnPrimaryScreen(window);
        window.show();
        OpenStartFiles(window, startFiles);
        result = QApplication::exec();
    }
    TC_HTTP::Release();
    return result;
}
