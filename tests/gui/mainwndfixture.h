#pragma once

#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "gui/faketray.h"
#include "gui/guitest.h"
#include "gui/windowthreads.h"
#include "settings/clientinfo.h"
#include "support/fakeservice.h"
#include "support/scratchdir.h"
#include "support/scripteddialogs.h"
#include "task/conversionsession.h"
#include "tiles/homesortlist.h"
#include "tiles/tileconfig.h"
#include "ui/convertpage.h"
#include "ui/mainwnd.h"

#include <QStackedWidget>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

inline constexpr const char* kFunction = "PDF2Word";

// A started main window over fake services: a fake conversion service, scripted dialogs, an
// account without a plug-in until a test attaches one, a database in the scratch folder and
// the test's own tile file there.
class MainWndTest : public ::testing::Test
{
protected:
    MainWndTest()
    {
        TestApp();
        tiles.Load(scratch.File("tileview_ini.xml"));
        services.dialogs = &dialogs;
        services.conversions = &conversions;
        services.account = &account;
        services.session = &session;
        services.database = &database;
        services.clientInfo = &clientInfo;
        services.appDataDir = scratch.Path().string() + "/";
        services.homeSortList = &homeSortList;
        services.tiles = &tiles;
        services.apiBase = service.BaseUrl();
        services.configPath = scratch.File("Config.ini");
        services.tray = &tray;
        services.exitProcess = [this] { ++exits; };
        MakeWindow();
    }

    ~MainWndTest() override { window.reset(); }

    void MakeWindow(bool show = true)
    {
        window.reset();
        threads.emplace(services, startAccount, workDir);
        window = std::make_unique<CMainWnd>(services);
        window->Initialize();
        if (show)
            window->show();
        conversions.List().SetFunctionName(kFunction);
    }

    void Post(std::uint32_t id, std::uintptr_t wParam = 0, std::string payload = {})
    {
        window->PostWindowMessage(WindowMessage{id, wParam, 0, std::move(payload)});
    }

    static void Drain()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    ConversionStore& Store() { return conversions.List().Store(); }

    void AddRows(int count, ConversionStatus status)
    {
        for (int i = 0; i < count; ++i) {
            Store().AddFile(kFunction, scratch.File("doc" + std::to_string(i) + ".pdf"));
            Store().SetStatus(kFunction, i, status);
        }
    }

    template <typename T = QWidget> T* Find(const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    int CurrentPage() { return Find<QStackedWidget>("tab_function")->currentIndex(); }

    ScratchDir scratch;
    FakeService service;
    HomeSortList homeSortList;
    TileConfig tiles{[] {}};
    ClientInfoRecord clientInfo;
    ScriptedDialogs dialogs;
    AccountLibrary account;
    AccountSession session{account, service.BaseUrl(), service.SsoUrl()};
    ConversionSession conversions{
        {.access = ServiceAccess(service.BaseUrl(), &session.tokens), .account = &account}};
    AccountDatabase database;
    FakeTray tray;
    MainWndServices services;
    // Read when a window is made: how the account starts, where the companion program lives.
    WindowThreads::StartAccount startAccount;
    std::string workDir;
    std::optional<WindowThreads> threads;
    int exits = 0;
    std::unique_ptr<CMainWnd> window;
};
