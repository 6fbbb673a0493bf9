// The update end to end: the reference service publishes a signed installer made by the
// project's script, the window offers it, downloads it with progress, verifies it and runs
// it; the installer replaces a test prefix and starts the "new client", which records that it
// ran.
#include "gui/mainwndfixture.h"
#include "serverprocess.h"
#include "support/signingkey.h"
#include "ui/updatebox.h"
#include "update/updatechecks.h"

#include <QProgressBar>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class UpdateEndToEndTest : public MainWndTest
{
protected:
    UpdateEndToEndTest()
    {
        prefix = scratch.Path() / "opt" / "dokora";
        fs::create_directories(prefix);
        WriteFileBytes(prefix / "VERSION", "1.0.0.1\n");
        ::setenv("DOKORA_PREFIX", prefix.c_str(), 1);
        Publish();
        server.emplace(scratch.Path() / "server");
        updateDir = scratch.Path() / "cache" / "update";
        checks.source = {server->BaseUrl(), "1.0.0.1", updateDir.string() + "/",
                         scratch.File("Settings.ini"), key.PublicPem()};
        services.updates = &checks;
        MakeWindow();
    }

    ~UpdateEndToEndTest() override
    {
        window.reset();
        ::unsetenv("DOKORA_PREFIX");
    }

    // A build 2.0.0.0 whose program only records that it was started, made into a signed
    // installer in the service's update directory.
    void Publish()
    {
        const fs::path payload = scratch.Path() / "payload";
        fs::create_directories(payload / "bin");
        WriteFileBytes(payload / "VERSION", "2.0.0.0\n");
        WriteFileBytes(payload / "bin" / "dokora",
                       "#!/bin/sh\necho started > \"$(dirname \"$0\")/../started\"\n");
        fs::permissions(payload / "bin" / "dokora", fs::perms::owner_all);
        const fs::path keyFile = scratch.Path() / "update-key.pem";
        WriteFileBytes(keyFile, key.PrivatePem());
        fs::permissions(keyFile, fs::perms::owner_read | fs::perms::owner_write);
        const std::string command =
            std::string(DOKORA_SOURCE_DIR) + "/scripts/make-installer.sh --key '" +
            keyFile.string() + "' --payload '" + payload.string() + "' --version 2.0.0.0 '" +
            (scratch.Path() / "server" / "update").string() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    CUpdateBox* Box() const
    {
        for (CUpdateBox* box : window->findChildren<CUpdateBox*>())
            if (box->isVisible())
                return box;
        return nullptr;
    }

    bool BoxReaches(UpdateBoxState state)
    {
        return WaitUntil([&] { return Box() && Box()->State() == state; }, 10s);
    }

    void Click(const char* name)
    {
        auto* button = Box()->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button && button->isVisible()) << name;
        button->click();
    }

    // Check by hand, download, and press install.
    void DownloadAndInstall()
    {
        window->PostWindowMessage(WindowMessage{WM_UPDATE_CHECK, 0, 0, {}});
        ASSERT_TRUE(BoxReaches(UpdateBoxState::NewerVersion));
        Click("btn_update");
        ASSERT_TRUE(BoxReaches(UpdateBoxState::Downloaded));
        EXPECT_EQ(Box()->findChild<QProgressBar*>(QStringLiteral("prog_download"))->value(), 100);
        EXPECT_EQ(Utility::ExeVersion((updateDir / "DokoraSetup.exe").string()), "2.0.0.0");
        Click("btn_Install");
    }

    SigningKey key;
    fs::path prefix;
    fs::path updateDir;
    std::optional<ServerProcess> server;
    UpdateChecks checks;
};

TEST_F(UpdateEndToEndTest, ANewerSignedBuildIsDownloadedVerifiedAndInstalled)
{
    ASSERT_TRUE(server->Running());
    DownloadAndInstall();
    ASSERT_TRUE(WaitUntil([&] { return exits == 1; }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(prefix / "started"); }, 10s));
    EXPECT_EQ(ReadFileBytes(prefix / "VERSION"), "2.0.0.0\n");
}

TEST_F(UpdateEndToEndTest, ATamperedInstallerLeavesTheInstalledVersionAlone)
{
    ASSERT_TRUE(server->Running());
    const fs::path published = scratch.Path() / "server" / "update" / "DokoraSetup.exe";
    WriteFileBytes(published, ReadFileBytes(published) + "\n# one more line\n");
    DownloadAndInstall();
    ASSERT_TRUE(BoxReaches(UpdateBoxState::InstallFailed));
    EXPECT_EQ(exits, 0);
    EXPECT_FALSE(fs::exists(updateDir / "DokoraSetup.exe"));
    QThread::msleep(300);
    EXPECT_EQ(ReadFileBytes(prefix / "VERSION"), "1.0.0.1\n");
    EXPECT_FALSE(fs::exists(prefix / "started"));
}

} // namespace
