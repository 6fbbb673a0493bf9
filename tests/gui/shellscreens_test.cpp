// Screenshots of the tray menu, the information menu, the completion notice and both pages of
// the settings window. With DOKORA_SCREENSHOT_DIR set they go there (docs/screenshots holds
// the committed ones), otherwise into the scratch folder.
#include "gui/mainwndfixture.h"
#include "gui/screencheck.h"
#include "ui/convnotifywnd.h"
#include "ui/settingwnd.h"

#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <cstdlib>
#include <initializer_list>

namespace {

using namespace std::chrono_literals;

class ShellScreensTest : public MainWndTest
{
protected:
    ShellScreensTest()
    {
        ClientInfo info = clientInfo.Get();
        info.version = "1.0.2.7";
        info.notifyAfterFinish = true;
        clientInfo.Set(info);
    }

    // Saves `widget` as drawn, checks that its texts are whole and drawn and that the named
    // controls are shown and not blank.
    void Save(QWidget& widget, const char* name, std::initializer_list<const char*> shown = {})
    {
        Drain();
        const char* dir = std::getenv("DOKORA_SCREENSHOT_DIR");
        const QString outDir = dir && *dir ? QString::fromLocal8Bit(dir)
                                           : QString::fromStdString(scratch.Path().string());
        const QImage image = widget.grab().toImage();
        EXPECT_EQ(image.size(), widget.size() * image.devicePixelRatio()) << name;
        EXPECT_TRUE(ScreenCheck::TextsFit(widget)) << name;
        EXPECT_TRUE(ScreenCheck::TextsDrawn(widget, image)) << name;
        for (const char* control : shown) {
            ASSERT_TRUE(ScreenCheck::Shown(widget, control)) << name;
            EXPECT_TRUE(ScreenCheck::Drawn(widget, image, *ScreenCheck::Find(widget, control)))
                << name;
        }
        EXPECT_TRUE(image.save(outDir + u'/' + QString::fromLatin1(name) + QStringLiteral(".png")));
    }

    // A menu as the user sees it: every item's text is drawn.
    void SaveMenu(QMenu& menu, const char* name)
    {
        menu.popup(QPoint(20, 20));
        ASSERT_TRUE(WaitUntil([&] { return menu.isVisible(); }));
        Drain();
        const QImage image = menu.grab().toImage();
        for (const QAction* action : menu.actions()) {
            if (action->isSeparator())
                continue;
            const QRect item = menu.actionGeometry(const_cast<QAction*>(action));
            EXPECT_GT(ScreenCheck::InkIn(image, item), 20)
                << name << " " << action->text().toStdString();
            EXPECT_GE(item.width(), menu.fontMetrics().horizontalAdvance(action->text())) << name;
        }
        Save(menu, name);
        menu.hide();
    }
};

TEST_F(ShellScreensTest, TrayMenuAndInformationMenu)
{
    ASSERT_TRUE(tray.menu);
    SaveMenu(*tray.menu, "menu_tray");
    Find<QPushButton>("btn_menu")->click();
    auto* info = window->findChild<QMenu*>(QStringLiteral("rc_menu_info"));
    ASSERT_NE(info, nullptr);
    info->hide();
    SaveMenu(*info, "menu_info");
}

TEST_F(ShellScreensTest, CompletionNotice)
{
    const std::string path = scratch.File("2024年度财务报告（终稿）-已审阅版本-最终确认.docx");
    WriteFileBytes(path, "result");
    Post(WM_CONVERT_FILE_DONE, 0, path);
    Drain();
    CConvNotifyWnd* notice = window->Notice().Window();
    ASSERT_NE(notice, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return notice->geometry() == notice->TargetRect(); }, 2s));
    Save(*notice, "notice",
         {"img_notify_icon", "txt_notify_app", "txt_notify_finished", "txt_fileName", "btn_setting",
          "btn_close", "btn_folder", "btn_openFile"});
}

TEST_F(ShellScreensTest, SettingsWindowPages)
{
    Post(WM_SHOW_SETTINGS);
    Drain();
    CSettingWnd* settings = window->SettingWindow();
    ASSERT_NE(settings, nullptr);
    Save(*settings, "settings_custom",
         {"txt_setting_title", "lb_setting", "btn_menu", "btn_close", "txt_attention",
          "check_attention"});
    settings->findChild<QListWidget*>(QStringLiteral("lb_setting"))->setCurrentRow(1);
    Save(*settings, "settings_about",
         {"txt_about_ver", "txt_ver", "btn_checkupdate", "txt_about_feedback", "txt_qq", "btn_qq"});
}

} // namespace
