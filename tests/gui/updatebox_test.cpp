// The update box in its states, and the main window's handling of check results and forced
// updates, against the fake file host.
#include "gui/mainwndfixture.h"
#include "gui/screencheck.h"
#include "support/signingkey.h"
#include "ui/updatebox.h"
#include "update/updatechecks.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kButtons[] = {"btn_bigOK",           "btn_Install", "btn_update",
                                "btn_continueInstall", "btn_retry",   "btn_cancel"};

std::set<std::string> ShownButtons(const CUpdateBox& box)
{
    std::set<std::string> shown;
    for (const char* name : kButtons) {
        const auto* button = box.findChild<QPushButton*>(QString::fromLatin1(name));
        if (button && button->isVisibleTo(&box))
            shown.insert(name);
    }
    return shown;
}

QString ShownText(const CUpdateBox& box)
{
    return box.findChild<QLabel*>(QStringLiteral("txt_attention_string"))->text();
}

void Click(CUpdateBox& box, const char* name)
{
    auto* button = box.findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isVisibleTo(&box)) << name;
    button->click();
}

TEST(UpdateBoxStatesTest, EachStateShowsItsTextAndButtons)
{
    TestApp();
    struct Expected
    {
        UpdateBoxState state;
        const char* text;
        std::set<std::string> buttons;
        bool progress;
    };
    const Expected table[] = {
        {UpdateBoxState::UpToDate, "当前已经是最新版本，无需再更新", {"btn_bigOK"}, false},
        {UpdateBoxState::InstallerReady,
         "当前已有更高的版本，是否进行安装",
         {"btn_Install"},
         false},
        {UpdateBoxState::NewerVersion,
         "当前有更高的版本，是否进行升级",
         {"btn_update", "btn_cancel"},
         false},
        {UpdateBoxState::Downloaded, "下载成功，请点击“立即安装”", {"btn_Install"}, true},
        {UpdateBoxState::Downloading, "正在下载新版本...", {"btn_cancel"}, true},
        {UpdateBoxState::ConversionsRunning,
         "当前有转换任务进行中，继续安装将会中止任务并退出程序",
         {"btn_continueInstall", "btn_cancel"},
         false},
        {UpdateBoxState::DownloadFailed,
         "下载失败，请稍后再重试",
         {"btn_retry", "btn_cancel"},
         true},
        {UpdateBoxState::InstallFailed, "安装异常，请稍后重试", {"btn_bigOK"}, false},
    };
    for (const Expected& expected : table) {
        SCOPED_TRACE(static_cast<int>(expected.state));
        CUpdateBox box(expected.state, {});
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("检查更新"));
        EXPECT_EQ(ShownText(box), QString::fromUtf8(expected.text));
        EXPECT_EQ(ShownButtons(box), expected.buttons);
        EXPECT_EQ(box.findChild<QProgressBar*>(QStringLiteral("prog_download"))->isVisibleTo(&box),
                  expected.progress);
        EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("img_attention_icon"))->isVisibleTo(&box),
                  !expected.progress);
        EXPECT_TRUE(box.findChild<QPushButton*>(QStringLiteral("btn_close"))->isVisibleTo(&box));
    }
    // Alone while downloading, cancel sits in the middle.
    CUpdateBox downloading(UpdateBoxState::Downloading, {});
    const auto* cancel = downloading.findChild<QPushButton*>(QStringLiteral("btn_cancel"));
    EXPECT_NEAR(cancel->geometry().center().x(), CUpdateBox::kWidth / 2, 1);
}

TEST(UpdateBoxStatesTest, TheButtonsCloseWithTheirResults)
{
    TestApp();
    for (const auto& [state, button, result] :
         {std::tuple{UpdateBoxState::UpToDate, "btn_bigOK", UpdateBoxResult::Cancel},
          std::tuple{UpdateBoxState::NewerVersion, "btn_cancel", UpdateBoxResult::Cancel},
          std::tuple{UpdateBoxState::NewerVersion, "btn_close", UpdateBoxResult::Closed}}) {
        CUpdateBox box(state, {});
        box.open();
        Click(box, button);
        EXPECT_FALSE(box.isVisible()) << button;
        EXPECT_EQ(box.result(), static_cast<int>(result)) << button;
    }
}

// The main window over the fake file host, with a key of the test's own.
class UpdateFlowTest : public MainWndTest
{
protected:
    UpdateFlowTest()
    {
        updateDir = scratch.Path() / "cache" / "update";
        checks.source = {service.BaseUrl(), "1.9.9", updateDir.string() + "/",
                         scratch.File("Settings.ini"), key.PublicPem()};
        // The start-up check finds nothing newer and stays quiet.
        service.SetVersionFile("1.9.9", false);
        services.updates = &checks;
        MakeWindow();
    }

    ~UpdateFlowTest() override { window.reset(); }

    void PostResult(std::uintptr_t wParam, std::intptr_t lParam,
                    std::uint32_t id = WM_UPDATE_RESULT)
    {
        window->PostWindowMessage(WindowMessage{id, wParam, lParam, {}});
        Drain();
    }

    std::vector<CUpdateBox*> Boxes() const
    {
        std::vector<CUpdateBox*> shown;
        for (CUpdateBox* box : window->findChildren<CUpdateBox*>())
            if (box->isVisible())
                shown.push_back(box);
        return shown;
    }

    CUpdateBox* Box()
    {
        const auto shown = Boxes();
        EXPECT_EQ(shown.size(), 1u);
        return shown.empty() ? nullptr : shown.front();
    }

    bool BoxReaches(UpdateBoxState state, std::chrono::milliseconds timeout = 5s)
    {
        return WaitUntil(
            [&] {
                const auto shown = Boxes();
                return shown.size() == 1 && shown.front()->State() == state;
            },
            timeout);
    }

    fs::path Marker() const { return scratch.Path() / "installer-ran"; }
    std::string Installer() const { return (updateDir / "DokoraSetup.exe").string(); }

    // An installer the fake host serves, recording that it ran; signed by `signer`.
    void ServeInstaller(const std::string& version, const SigningKey& signer)
    {
        const std::string script = "#!/bin/sh\nDOKORA_VERSION_STAMP=" + version + "\necho ran > '" +
                                   Marker().string() + "'\n";
        service.SetInstaller(script);
        service.SetSignature(signer.Sign(script));
    }

    SigningKey key;
    fs::path updateDir;
    UpdateChecks checks;
};

TEST_F(UpdateFlowTest, BigOkClosesTheUpToDateBoxAndAResultWhileOpenIsDropped)
{
    PostResult(0, kUpdateUpToDate);
    ASSERT_NE(Box(), nullptr);
    EXPECT_EQ(Box()->State(), UpdateBoxState::UpToDate);

    PostResult(0, kUpdateNewerVersion);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Box()->State(), UpdateBoxState::UpToDate);

    Click(*Box(), "btn_bigOK");
    Drain();
    EXPECT_TRUE(Boxes().empty());
    // Closed: the next result opens a box again.
    PostResult(0, kUpdateNewerVersion);
    ASSERT_NE(Box(), nullptr);
    EXPECT_EQ(Box()->State(), UpdateBoxState::NewerVersion);
}

TEST_F(UpdateFlowTest, AFailedCheckShowsItsNotice)
{
    PostResult(1, 0);
    const auto shown = dialogs.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].mode, MsgBoxMode::Notice);
    EXPECT_EQ(shown[0].text, "@string/str_msgbox_checkupdate_fail");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(UpdateFlowTest, TheManualCheckOffersANewerVersionEveryTime)
{
    service.SetVersionFile("2.0.0", false);
    for (int round = 0; round < 2; ++round) {
        window->PostWindowMessage(WindowMessage{WM_UPDATE_CHECK, 0, 0, {}});
        ASSERT_TRUE(BoxReaches(UpdateBoxState::NewerVersion)) << round;
        Click(*Box(), "btn_cancel");
        Drain();
        EXPECT_TRUE(Boxes().empty());
    }
}

TEST_F(UpdateFlowTest, ClosingAForcedUpdateEndsTheProcess)
{
    PostResult(0, kUpdateNewerVersion, WM_UPDATE_FORCED);
    ASSERT_NE(Box(), nullptr);
    EXPECT_FALSE(tray.present);
    // The client's other windows make way shortly after.
    EXPECT_TRUE(WaitUntil([&] { return !window->isVisible(); }, 2s));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(exits, 0);
    // A check result meanwhile is dropped.
    PostResult(0, kUpdateUpToDate);
    EXPECT_EQ(Boxes().size(), 1u);

    Click(*Box(), "btn_close");
    Drain();
    EXPECT_EQ(exits, 1);
}

TEST_F(UpdateFlowTest, AForcedUpdateThatCannotBeOfferedEndsTheProcess)
{
    PostResult(0, kUpdateForcedImpossible, WM_UPDATE_FORCED);
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(UpdateFlowTest, DownloadWithProgressVerifyAndInstall)
{
    ServeInstaller("2.0.0", key);
    PostResult(0, kUpdateNewerVersion);
    Click(*Box(), "btn_update");
    ASSERT_TRUE(BoxReaches(UpdateBoxState::Downloaded));
    EXPECT_EQ(Box()->findChild<QProgressBar*>(QStringLiteral("prog_download"))->value(), 100);
    EXPECT_EQ(exits, 0);

    Click(*Box(), "btn_Install");
    ASSERT_TRUE(WaitUntil([&] { return exits == 1; }));
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(Marker()); }));
}

TEST_F(UpdateFlowTest, ATamperedInstallerIsDeletedAndNeverRuns)
{
    ServeInstaller("2.0.0", SigningKey());
    PostResult(0, kUpdateNewerVersion);
    Click(*Box(), "btn_update");
    ASSERT_TRUE(BoxReaches(UpdateBoxState::Downloaded));
    Click(*Box(), "btn_Install");
    ASSERT_TRUE(BoxReaches(UpdateBoxState::InstallFailed));
    EXPECT_EQ(exits, 0);
    EXPECT_FALSE(fs::exists(Installer()));
    EXPECT_FALSE(fs::exists(Installer() + ".sig"));
    QThread::msleep(200);
    EXPECT_FALSE(fs::exists(Marker()));
}

TEST_F(UpdateFlowTest, RunningConversionsAskFirst)
{
    ServeInstaller("2.0.0", key);
    fs::create_directories(updateDir);
    const std::string script = "#!/bin/sh\necho ran > '" + Marker().string() + "'\n";
    WriteFileBytes(Installer(), script);
    WriteFileBytes(Installer() + ".sig", key.Sign(script));
    AddRows(1, ConversionStatus::Uploading);

    PostResult(0, kUpdateInstallerReady);
    Click(*Box(), "btn_Install");
    ASSERT_TRUE(BoxReaches(UpdateBoxState::ConversionsRunning));
    EXPECT_EQ(exits, 0);
    Click(*Box(), "btn_continueInstall");
    ASSERT_TRUE(WaitUntil([&] { return exits == 1; }));
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(Marker()); }));
}

TEST_F(UpdateFlowTest, AMissingInstallerEndsInTheInstallFailure)
{
    PostResult(0, kUpdateInstallerReady);
    Click(*Box(), "btn_Install");
    EXPECT_EQ(Box()->State(), UpdateBoxState::InstallerReady);
    ASSERT_TRUE(BoxReaches(UpdateBoxState::InstallFailed, 4s));
    EXPECT_EQ(exits, 0);
}

TEST_F(UpdateFlowTest, AFailedDownloadOffersARetry)
{
    ServeInstaller("2.0.0", key);
    service.Script(FakeEndpoint::kSignature, FakeReply::Text("gone", 404));
    service.Script(FakeEndpoint::kSignature, FakeReply::Text("gone", 404));
    service.Script(FakeEndpoint::kSignature, FakeReply::Text("gone", 404));
    PostResult(0, kUpdateNewerVersion);
    Click(*Box(), "btn_update");
    ASSERT_TRUE(BoxReaches(UpdateBoxState::DownloadFailed));
    Click(*Box(), "btn_retry");
    ASSERT_TRUE(BoxReaches(UpdateBoxState::Downloaded));
}

TEST_F(UpdateFlowTest, CancellingADownloadDeletesWhatItFetched)
{
    ServeInstaller("2.0.0", key);
    service.Script(FakeEndpoint::kInstaller,
                   FakeReply::WithFault(FakeReply::Fault::Stall, std::string(100000, 'x'), 5000));
    PostResult(0, kUpdateNewerVersion);
    Click(*Box(), "btn_update");
    ASSERT_TRUE(BoxReaches(UpdateBoxState::Downloading));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(updateDir / "DokoraSetup.exe.sig"); }));
    Click(*Box(), "btn_cancel");
    Drain();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(fs::exists(updateDir));
}

// Screenshots of the main states for the documentation.
TEST(UpdateBoxScreensTest, MainStates)
{
    TestApp();
    ScratchDir scratch;
    const QString outDir = ScreenCheck::OutputDir(scratch.Path().string());
    for (const auto& [state, name] : {std::pair{UpdateBoxState::UpToDate, "updatebox_0"},
                                      std::pair{UpdateBoxState::NewerVersion, "updatebox_2"},
                                      std::pair{UpdateBoxState::Downloading, "updatebox_4"},
                                      std::pair{UpdateBoxState::DownloadFailed, "updatebox_7"}}) {
        CUpdateBox box(state, {});
        if (state == UpdateBoxState::Downloading)
            box.findChild<QProgressBar*>(QStringLiteral("prog_download"))->setValue(42);
        box.show();
        QCoreApplication::processEvents();
        const QImage image = box.grab().toImage();
        EXPECT_TRUE(ScreenCheck::TextsFit(box)) << name;
        EXPECT_TRUE(ScreenCheck::TextsDrawn(box, image)) << name;
        for (const char* control : {"txt_title", "btn_close", "txt_attention_string"})
            EXPECT_TRUE(ScreenCheck::Shown(box, control)) << name << " " << control;
        EXPECT_TRUE(image.save(outDir + u'/' + QString::fromLatin1(name) + QStringLiteral(".png")));
    }
}

} // namespace
