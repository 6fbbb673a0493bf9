#include "gui/shellfixture.h"
#include "settings/profilefile.h"
#include "settings/startupsettings.h"
#include "support/recordingtarget.h"
#include "ui/settingwnd.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>

namespace {

class SettingWndTest : public ShellTest
{
protected:
    SettingWndTest()
    {
        WriteFileBytes(scratch.File("Config.ini"), "[Config]\nag=YWc=\nwua=d3Vh\nmd=YWJj\n");
        Restart();
    }

    // As the program starts: the settings files read into the client information, then the
    // window.
    void Restart()
    {
        window.reset();
        ASSERT_FALSE(LoadStartupSettings(clientInfo,
                                         {scratch.File("Config.ini"), scratch.File("Settings.ini"),
                                          [] { return std::string("1.0.2.7"); }}));
        MakeWindow();
    }

    CSettingWnd* Open()
    {
        Post(WM_SHOW_SETTINGS);
        Drain();
        CSettingWnd* shown = window->SettingWindow();
        EXPECT_NE(shown, nullptr);
        return shown;
    }

    std::string ConvMsgBox()
    {
        return ProfileFile(scratch.File("Settings.ini")).ReadString("Settings", "ConvMsgBox");
    }

    template <typename T = QWidget> static T* Part(const QWidget* window, const char* name)
    {
        T* part = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(part, nullptr) << name;
        return part;
    }

    static void Press(QWidget* target, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
};

TEST_F(SettingWndTest, TwoPagesChosenFromTheListByMouseOrKeyboard)
{
    CSettingWnd* settings = Open();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->size(), QSize(CSettingWnd::kWidth, CSettingWnd::kHeight));
    auto* pages = Part<QListWidget>(settings, "lb_setting");
    auto* tab = Part<QStackedWidget>(settings, "tab_setting");
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->item(0)->text(), QString::fromUtf8("通用设置"));
    EXPECT_EQ(pages->item(1)->text(), QString::fromUtf8("关于"));
    EXPECT_EQ(tab->currentWidget()->objectName(), QStringLiteral("page_setting_custom"));

    Press(pages, Qt::Key_Down);
    EXPECT_EQ(tab->currentWidget()->objectName(), QStringLiteral("page_setting_about"));
    EXPECT_EQ(Part<QLabel>(settings, "txt_ver")->text(), QStringLiteral("Dokora 1.0.2.7"));
    pages->setCurrentRow(0);
    EXPECT_EQ(tab->currentIndex(), 0);
}

TEST_F(SettingWndTest, UntickingWritesAtOnceAndTheBoxOpensUntickedAfterARestart)
{
    ASSERT_EQ(ConvMsgBox(), "1"); // the start-up default
    CSettingWnd* settings = Open();
    ASSERT_NE(settings, nullptr);
    auto* attention = Part<QCheckBox>(settings, "check_attention");
    EXPECT_EQ(attention->text(), QString::fromUtf8("处理完成后提醒"));
    ASSERT_TRUE(attention->isChecked());

    attention->click();
    EXPECT_EQ(ConvMsgBox(), "0");
    EXPECT_FALSE(clientInfo.Get().notifyAfterFinish);
    // The next result comes without a notice.
    Post(WM_CONVERT_FILE_DONE, 0, scratch.File("done.docx"));
    Drain();
    EXPECT_EQ(window->Notice().Window(), nullptr);

    Restart();
    settings = Open();
    ASSERT_NE(settings, nullptr);
    attention = Part<QCheckBox>(settings, "check_attention");
    EXPECT_FALSE(attention->isChecked());

    // Space ticks it again from the keyboard, written at once as well.
    attention->setFocus();
    Press(attention, Qt::Key_Space);
    EXPECT_TRUE(attention->isChecked());
    EXPECT_EQ(ConvMsgBox(), "1");
    EXPECT_TRUE(clientInfo.Get().notifyAfterFinish);
}

TEST_F(SettingWndTest, EveryControlIsNamedAndEscapeCloses)
{
    QPointer<CSettingWnd> settings = Open();
    ASSERT_TRUE(settings);
    for (QWidget* control : settings->findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QListWidget*>(control))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << control->objectName().toStdString();
        EXPECT_NE(control->focusPolicy() & Qt::TabFocus, 0) << control->objectName().toStdString();
    }
    Press(settings, Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([&] { return settings.isNull(); }));
}

TEST_F(SettingWndTest, WithoutASettingsFileOnlyTheBoxChanges)
{
    RecordingTarget mainWnd;
    ClientInfoRecord info;
    info.SetNotifyAfterFinish(true);
    CSettingWnd settings(info, UserSettings(std::nullopt), mainWnd, nullptr);
    auto* attention = Part<QCheckBox>(&settings, "check_attention");
    attention->click();
    EXPECT_FALSE(attention->isChecked());
    EXPECT_TRUE(info.Get().notifyAfterFinish);
}

TEST_F(SettingWndTest, TheAboutPageChecksForUpdatesAndOpensTheSupportGroup)
{
    int checks = 0;
    QObject::connect(window.get(), &CMainWnd::updateCheckRequested, [&] { ++checks; });
    CSettingWnd* settings = Open();
    ASSERT_NE(settings, nullptr);
    Part<QPushButton>(settings, "btn_checkupdate")->click();
    EXPECT_TRUE(WaitUntil([&] { return checks == 1; }));
    EXPECT_TRUE(settings->isVisible());

    auto* join = Part<QPushButton>(settings, "btn_qq");
    EXPECT_EQ(join->text(), QString::fromUtf8("加入QQ群"));
    join->click();
    EXPECT_TRUE(WaitForSupportGroup());
}

TEST_F(SettingWndTest, TheWindowsMenuOpensTheSupportGroupAndTheContactPage)
{
    AttachAccount();
    CSettingWnd* settings = Open();
    ASSERT_NE(settings, nullptr);
    Part<QPushButton>(settings, "btn_menu")->click();
    auto* menu = Part<QMenu>(settings, "rc_menu_setting_menu");
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("用户QQ群"));
    EXPECT_EQ(menu->actions()[1]->text(), QString::fromUtf8("联系客服"));

    Part<QAction>(menu, "menuItem_611")->trigger();
    EXPECT_TRUE(WaitForSupportGroup());
    Part<QAction>(menu, "menuItem_612")->trigger();
    EXPECT_EQ(WaitForOpenedPage(),
              std::string(kWeb) + "?extra=PC&Device=PC&MD=abc&version=1.0.2.7");
    menu->hide();
}

} // namespace
