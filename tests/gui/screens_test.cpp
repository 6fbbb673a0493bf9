// Writes screenshots of the main window and of every message-box mode. With
// DOKORA_SCREENSHOT_DIR set they go there (docs/screenshots holds the committed ones),
// otherwise into a scratch directory.
#include "account/accountdatabase.h"
#include "account/accountlibrary.h"
#include "account/accountsession.h"
#include "gui/guitest.h"
#include "gui/screencheck.h"
#include "gui/windowthreads.h"
#include "settings/clientinfo.h"
#include "support/scratchdir.h"
#include "support/scripteddialogs.h"
#include "tiles/homesortlist.h"
#include "tiles/tileconfig.h"
#include "ui/mainwnd.h"
#include "ui/msgbox.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

namespace {

class ScreensTest : public ::testing::Test
{
protected:
    ScreensTest()
    {
        TestApp();
        outDir = ScreenCheck::OutputDir(scratch.Path().string());
    }

    // Saves the widget as it is drawn and checks the picture is the widget's, with every
    // text whole and drawn; returns the picture.
    QImage Save(QWidget& widget, const QString& name)
    {
        widget.show();
        QCoreApplication::processEvents();
        const QImage image = widget.grab().toImage();
        EXPECT_EQ(image.size(), widget.size() * image.devicePixelRatio());
        EXPECT_TRUE(ScreenCheck::TextsFit(widget)) << name.toStdString();
        EXPECT_TRUE(ScreenCheck::TextsDrawn(widget, image)) << name.toStdString();
        EXPECT_TRUE(image.save(outDir + u'/' + name + QStringLiteral(".png")));
        return image;
    }

    // The named controls are shown inside `window` and are not blank in `image`.
    static void ExpectShownAndDrawn(const QWidget& window, const QImage& image,
                                    std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            ASSERT_TRUE(ScreenCheck::Shown(window, name));
            EXPECT_TRUE(ScreenCheck::Drawn(window, image, *ScreenCheck::Find(window, name)));
        }
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
    ConversionSession conversions({.access = ServiceAccess("", &session.tokens)});
    MainWndServices services;
    services.dialogs = &dialogs;
    services.conversions = &conversions;
    services.account = &account;
    services.session = &session;
    services.database = &database;
    services.clientInfo = &clientInfo;
    services.homeSortList = &homeSortList;
    services.tiles = &tiles;
    services.appDataDir = scratch.Path().string() + "/";
    WindowThreads threads(services);
    CMainWnd window(services);
    window.Initialize();
    const QImage home = Save(window, QStringLiteral("mainwnd"));
    // The left bar with its entries, the caption's buttons and the tiles of the home page.
    ExpectShownAndDrawn(window, home,
                        {"img_logo", "txt_leftbar_title", "lb_leftbar_part1", "lb_leftbar_part2",
                         "btn_leftbar_openpdf", "btn_login", "btn_menu", "btn_min", "btn_close",
                         "scrollv_tileviewlist", "Word2PDF", "PDF2Word"});
    window.findChild<QListWidget*>(QStringLiteral("lb_leftbar_part2"))->setCurrentRow(0);
    const QImage completed = Save(window, QStringLiteral("mainwnd_completed"));
    ExpectShownAndDrawn(window, completed, {"txt_listName", "btn_clearComp", "mclv_complteted"});
    EXPECT_FALSE(ScreenCheck::Shown(window, "scrollv_tileviewlist"));

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
    const QImage signedIn = Save(window, QStringLiteral("mainwnd_signed_in"));
    ExpectShownAndDrawn(window, signedIn, {"img_HeadIcon", "txt_username"});
    EXPECT_FALSE(ScreenCheck::Shown(window, "img_defaultHead"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("txt_username"))->text(),
              QString::fromUtf8("张小明"));
}

TEST_F(ScreensTest, MessageBoxModes)
{
    MsgBoxRequest password(MsgBoxMode::Password, "");
    password.smallOkText = "@string/str_msgbox_password_btn";
    const std::pair<MsgBoxRequest, const char*> boxes[] = {
        {MsgBoxRequest(MsgBoxMode::Question, "@string/str_msgbox_conving"), "msgbox_10"},
        {MsgBoxRequest(MsgBoxMode::Notice, "@string/str_msgbox_task_busy"), "msgbox_12"},
        {MsgBoxRequest(MsgBoxMode::NoticeTwoLines, "@string/str_msgbox_file_err"), "msgbox_13"},
        {MsgBoxRequest(MsgBoxMode::Login, "@string/str_msgbox_login_welcome"), "msgbox_15"},
        {password, "msgbox_17"},
    };
    for (const auto& [request, name] : boxes) {
        CMsgBox box(request, nullptr);
        const QImage image = Save(box, QString::fromLatin1(name));
        // Every box has its title, a way to close it and at least one button to answer.
        ExpectShownAndDrawn(box, image, {"txt_title", "btn_close"});
        const bool answerable = ScreenCheck::Shown(box, "btn_smallOK") ||
                                ScreenCheck::Shown(box, "btn_bigOK") ||
                                ScreenCheck::Shown(box, "btn_bigLogin");
        EXPECT_TRUE(answerable) << name;
    }

    // A wrong password: the red line under the edit.
    CMsgBox wrong(password, nullptr);
    wrong.findChild<QLineEdit*>(QStringLiteral("re_password"))->setText(QStringLiteral("guess"));
    wrong.findChild<QPushButton*>(QStringLiteral("btn_smallOK"))->click();
    const QImage image = Save(wrong, QStringLiteral("msgbox_17_wrong"));
    ExpectShownAndDrawn(
        wrong, image,
        {"txt_password_notice", "re_password", "txt_password_err", "btn_smallOK", "btn_cancel"});
}

} // namespace
