// Writes screenshots of the main window and of every message-box mode. With
// DOKORA_SCREENSHOT_DIR set they go there (docs/screenshots holds the committed ones),
// otherwise into a scratch directory.
#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "gui/guitest.h"
#include "settings/clientinfo.h"
#include "support/scratchdir.h"
#include "support/scripteddialogs.h"
#include "tiles/homesortlist.h"
#include "tiles/tileconfig.h"
#include "ui/mainwnd.h"
#include "ui/msgbox.h"

#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

class ScreensTest : public ::testing::Test
{
protected:
    ScreensTest()
    {
        TestApp();
        const char* dir = std::getenv("DOKORA_SCREENSHOT_DIR");
        outDir = dir && *dir ? QString::fromLocal8Bit(dir)
                             : QString::fromStdString(scratch.Path().string());
    }

    // Saves the widget as it is drawn and checks the picture is the widget's.
    void Save(QWidget& widget, const QString& name)
    {
        widget.show();
        QCoreApplication::processEvents();
        const QImage image = widget.grab().toImage();
        EXPECT_EQ(image.size(), widget.size() * image.devicePixelRatio());
        EXPECT_TRUE(image.save(outDir + u'/' + name + QStringLiteral(".png")));
    }

    ScratchDir scratch;
    QString outDir;
};

TEST_F(ScreensTest, MainWindow)
{
    ScriptedDialogs dialogs;
    AccountLibrary account;
    AccountSession session(account, "", "");
    AccountDatabase database;
    ClientInfoRecord clientInfo;
    HomeSortList homeSortList;
    TileConfig tiles([] {});
    tiles.Load(scratch.File("tileview_ini.xml"));
    MainWndServices services;
    services.dialogs = &dialogs;
    services.account = &account;
    services.session = &session;
    services.database = &database;
    services.clientInfo = &clientInfo;
    services.homeSortList = &homeSortList;
    services.tiles = &tiles;
    services.appDataDir = scratch.Path().string() + "/";
    CMainWnd window(services);
    window.Initialize();
    Save(window, QStringLiteral("mainwnd"));
    window.findChild<QListWidget*>(QStringLiteral("lb_leftbar_part2"))->setCurrentRow(0);
    Save(window, QStringLiteral("mainwnd_completed"));

    // Signed in: the name and a round head icon in the caption.
    AccountLibrary::UserBlock user{};
    std::strcpy(user.data(), "1001");
    std::strcpy(user.data() + kAccountFieldSize, "张小明");
    account.SetUser(user.data());
    QImage avatar(64, 64, QImage::Format_RGB32);
    avatar.fill(QColor(0xff, 0xb8, 0x4d));
    const QString avatarPath = QString::fromStdString(scratch.File("HeadIcon"));
    ASSERT_TRUE(avatar.save(avatarPath, "PNG"));
    window.PostWindowMessage(WindowMessage{WM_ACCOUNT_USER_NAME, 0, 0, {}});
    window.PostWindowMessage(WindowMessage{WM_ACCOUNT_HEAD_ICON, 0, 0, avatarPath.toStdString()});
    QCoreApplication::processEvents();
    Save(window, QStringLiteral("mainwnd_signed_in"));
}

TEST_F(ScreensTest, MessageBoxModes)
{
    MsgBoxRequest password(DialogService::kModePassword, "");
    password.smallOkText = "@string/str_msgbox_password_btn";
    const std::pair<MsgBoxRequest, const char*> boxes[] = {
        {MsgBoxRequest(DialogService::kModeQuestion, "@string/str_msgbox_conving"), "msgbox_10"},
        {MsgBoxRequest(DialogService::kModeNotice, "@string/str_msgbox_task_busy"), "msgbox_12"},
        {MsgBoxRequest(DialogService::kModeNoticeTwoLines, "@string/str_msgbox_file_err"),
         "msgbox_13"},
        {MsgBoxRequest(DialogService::kModeLogin, "@string/str_msgbox_login_welcome"), "msgbox_15"},
        {password, "msgbox_17"},
    };
    for (const auto& [request, name] : boxes) {
        CMsgBox box(request, nullptr);
        Save(box, QString::fromLatin1(name));
    }

    // A wrong password: the red line under the edit.
    CMsgBox wrong(password, nullptr);
    wrong.findChild<QLineEdit*>(QStringLiteral("re_password"))->setText(QStringLiteral("guess"));
    wrong.findChild<QPushButton*>(QStringLiteral("btn_smallOK"))->click();
    Save(wrong, QStringLiteral("msgbox_17_wrong"));
}

} // namespace
