// The update box's download thread against the fake file host.
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "support/scratchdir.h"
#include "update/updatethread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class UpdateDownloadTest : public testing::Test
{
protected:
    UpdateDownloadTest()
    {
        installerBytes.assign(300 * 1024, 'i');
        service.SetInstaller(installerBytes);
        service.SetSignature("signature bytes");
        thread.SetMainWnd(&box);
        thread.SetUrl(service.BaseUrl() + std::string(FakeEndpoint::kInstaller));
        thread.SetSavePath(Installer());
    }

    std::string Installer() const { return scratch.File("DokoraSetup.exe"); }

    void RunToEnd()
    {
        ASSERT_TRUE(thread.Start());
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (thread.IsAlive() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        ASSERT_FALSE(thread.IsAlive());
    }

    ScratchDir scratch;
    FakeService service;
    RecordingTarget box;
    OwnedThread<CUpdateThread> thread;
    std::string installerBytes;
};

TEST_F(UpdateDownloadTest, DownloadsTheSignatureAndTheInstallerWithProgress)
{
    RunToEnd();
    EXPECT_EQ(ReadFileBytes(Installer()), installerBytes);
    EXPECT_EQ(ReadFileBytes(Installer() + ".sig"), "signature bytes");

    const auto installers = service.Requests(FakeEndpoint::kInstaller);
    ASSERT_EQ(installers.size(), 1u);
    const std::string skq = installers[0].Param("skq");
    ASSERT_EQ(skq.size(), 1u);
    EXPECT_TRUE(skq[0] >= '0' && skq[0] <= '9');
    EXPECT_EQ(installers[0].query.rfind("&skq=", 0), 0u) << installers[0].query;
    EXPECT_EQ(service.Requests(FakeEndpoint::kSignature).size(), 1u);

    // Progress only for the installer, rising, ending at its whole size; no failure.
    const auto posted = box.Messages();
    ASSERT_GE(posted.size(), 2u);
    std::intptr_t last = -1;
    for (const WindowMessage& message : posted) {
        ASSERT_EQ(message.id, WM_UPDATE_PROGRESS);
        EXPECT_EQ(message.wParam, installerBytes.size());
        EXPECT_GT(message.lParam, last);
        last = message.lParam;
    }
    EXPECT_EQ(last, static_cast<std::intptr_t>(installerBytes.size()));
    EXPECT_LE(posted.size(), 102u);
}

TEST_F(UpdateDownloadTest, ATruncatedInstallerFailsAndLeavesNoFile)
{
    thread.SetAttempts(1);
    service.Script(FakeEndpoint::kInstaller,
                   FakeReply::WithFault(FakeReply::Fault::Truncated, installerBytes, 1000));
    RunToEnd();
    EXPECT_EQ(box.Count(WM_UPDATE_FAILED), 1u);
    EXPECT_FALSE(fs::exists(Installer()));
    // No partial download either: only the signature is there.
    for (const auto& entry : fs::directory_iterator(scratch.Path()))
        EXPECT_EQ(entry.path().filename(), "DokoraSetup.exe.sig");
}

TEST_F(UpdateDownloadTest, AMissingSignatureFailsBeforeTheInstallerIsFetched)
{
    thread.SetAttempts(1);
    service.Script(FakeEndpoint::kSignature, FakeReply::Text("not found", 404));
    RunToEnd();
    EXPECT_EQ(box.Count(WM_UPDATE_FAILED), 1u);
    EXPECT_EQ(box.Count(WM_UPDATE_PROGRESS), 0u);
    EXPECT_TRUE(service.Requests(FakeEndpoint::kInstaller).empty());
    EXPECT_FALSE(fs::exists(Installer()));
}

TEST_F(UpdateDownloadTest, AStoppedDownloadPostsNothingMore)
{
    service.Script(FakeEndpoint::kInstaller,
                   FakeReply::WithFault(FakeReply::Fault::Stall, installerBytes, 1000));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(box.WaitFor(WM_UPDATE_PROGRESS, 1, 5s));
    EXPECT_TRUE(thread.StopWait(1000));
    EXPECT_EQ(box.Count(WM_UPDATE_FAILED), 0u);
    EXPECT_FALSE(fs::exists(Installer()));
}

} // namespace
