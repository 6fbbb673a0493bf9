#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "support/scratchdir.h"
#include "update/updatechecks.h"
#include "utility/tc_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class UpdateCheckTest : public testing::Test
{
protected:
    UpdateCheckTest()
    {
        checks.source = {service.BaseUrl(),
                         "1.9.9",
                         scratch.Path().string() + "/update/",
                         scratch.File("Settings.ini"),
                         {}};
        fs::create_directories(scratch.Path() / "update");
        checks.startup.SetMainWnd(&window);
        checks.manual.SetMainWnd(&window);
    }

    std::string Installer() const { return *checks.source.InstallerFile(); }
    void WriteInstaller(const std::string& version)
    {
        WriteFileBytes(Installer(), std::string("#!/bin/sh\n") + TC_PROCESS::kVersionStampMarker +
                                        version + "\nexit 0\n");
    }

    // Runs a check to its end; the messages it posted.
    std::vector<WindowMessage> Run(CUpdateCheckThread& thread)
    {
        window.Clear();
        thread.SetSource(checks.source);
        EXPECT_TRUE(thread.Start());
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (thread.IsAlive() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        EXPECT_FALSE(thread.IsAlive());
        return window.Messages();
    }

    static void ExpectOne(const std::vector<WindowMessage>& posted, std::uint32_t id,
                          std::uintptr_t wParam, std::intptr_t lParam)
    {
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].id, id);
        EXPECT_EQ(posted[0].wParam, wParam);
        EXPECT_EQ(posted[0].lParam, lParam);
    }

    ScratchDir scratch;
    FakeService service;
    RecordingTarget window;
    UpdateChecks checks;
};

TEST_F(UpdateCheckTest, ANewerOptionalVersionIsOfferedOnceADayAtStartAndAlwaysByHand)
{
    service.SetVersionFile("2.0.0", false);
    ExpectOne(Run(checks.startup), WM_UPDATE_RESULT, 0, kUpdateNewerVersion);
    EXPECT_TRUE(Run(checks.startup).empty());
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 0, kUpdateNewerVersion);
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 0, kUpdateNewerVersion);
    EXPECT_EQ(service.Requests(FakeEndpoint::kVersionFile).size(), 4u);
    EXPECT_EQ(service.Requests(FakeEndpoint::kVersionFile)[0].method, "GET");

    // A day later the start-up offer is due again.
    WriteFileBytes(checks.source.settingsPath.value(), "[Settings]\nUpdateCheck=1000\n");
    ExpectOne(Run(checks.startup), WM_UPDATE_RESULT, 0, kUpdateNewerVersion);
}

TEST_F(UpdateCheckTest, VersionsCompareByTheirNumbers)
{
    checks.source.runningVersion = "1.9.0.0";
    service.SetVersionFile("1.10.0.0", false);
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 0, kUpdateNewerVersion);
    service.SetVersionFile("1.9.0.0", false);
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 0, kUpdateUpToDate);
    EXPECT_TRUE(Run(checks.startup).empty());
}

TEST_F(UpdateCheckTest, AnOlderDownloadedInstallerIsDeletedAndOfferedAgain)
{
    service.SetVersionFile("2.0.0", false);
    WriteInstaller("1.9.9.5");
    WriteFileBytes(Installer() + ".sig", "old");
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 0, kUpdateNewerVersion);
    EXPECT_FALSE(fs::exists(Installer()));
    EXPECT_FALSE(fs::exists(Installer() + ".sig"));

    WriteInstaller("2.0.0.0");
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 0, kUpdateInstallerReady);
    EXPECT_TRUE(fs::exists(Installer()));
}

TEST_F(UpdateCheckTest, AFailedCheckIsReportedByHandAndSilentAtStart)
{
    service.Script(FakeEndpoint::kVersionFile, FakeReply::Text("no markers here"));
    service.Script(FakeEndpoint::kVersionFile, FakeReply::Text("no markers here"));
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 1, 0);
    EXPECT_TRUE(Run(checks.startup).empty());

    checks.source.runningVersion.reset();
    ExpectOne(Run(checks.manual), WM_UPDATE_RESULT, 1, 0);
}

TEST_F(UpdateCheckTest, AForcedUpdateIsAnnouncedAtStartEveryTime)
{
    service.SetVersionFile("2.0.0", true);
    ExpectOne(Run(checks.startup), WM_UPDATE_FORCED, 0, kUpdateNewerVersion);
    ExpectOne(Run(checks.startup), WM_UPDATE_FORCED, 0, kUpdateNewerVersion);
    EXPECT_NE(ReadFileBytes(*checks.source.settingsPath).find("UpdateCheck="), std::string::npos);

    WriteInstaller("2.0.0");
    ExpectOne(Run(checks.startup), WM_UPDATE_FORCED, 0, kUpdateInstallerReady);

    checks.source.updateDir.reset();
    ExpectOne(Run(checks.startup), WM_UPDATE_FORCED, 0, kUpdateForcedImpossible);

    service.SetVersionFile("1.9.9", true);
    EXPECT_TRUE(Run(checks.startup).empty());
}

} // namespace
