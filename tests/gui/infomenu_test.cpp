#include "gui/shellfixture.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace {

class InfoMenuTest : public ShellTest
{
protected:
    InfoMenuTest()
    {
        MakeWindow();
        AttachAccount();
    }

    void UseInstallation(const std::string& md)
    {
        ClientInfo info = clientInfo.Get();
        info.version = "1.0.2.7";
        info.md = md;
        clientInfo.Set(info);
    }

    // Opens "≡" and chooses the item `id`.
    void Choose(int id)
    {
        Find<QPushButton>("btn_menu")->click();
        auto* menu = window->findChild<QMenu*>(QStringLiteral("rc_menu_info"));
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->isVisible());
        auto* item = menu->findChild<QAction*>(QStringLiteral("menuItem_%1").arg(id));
        ASSERT_NE(item, nullptr) << id;
        item->trigger();
        menu->hide();
    }
};

TEST_F(InfoMenuTest, TheMenuHoldsItsFourItemsBelowTheButton)
{
    // Room on the screen, so the menu stays where it was put.
    window->move(-600, 0);
    auto* button = Find<QPushButton>("btn_menu");
    button->click();
    auto* menu = window->findChild<QMenu*>(QStringLiteral("rc_menu_info"));
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{QString::fromUtf8("设置"), QString::fromUtf8("检查更新"),
                                  QString::fromUtf8("用户QQ群"), QString::fromUtf8("联系客服")}));
    EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(-10, button->height())));
    menu->hide();
}

TEST_F(InfoMenuTest, ContactOpensTheWebHomeWithoutMdWhenNoneIsInstalled)
{
    UseInstallation("");
    Choose(MenuCommand::kInfoContact);
    EXPECT_EQ(WaitForOpenedPage(), std::string(kWeb) + "?extra=PC&Device=PC&version=1.0.2.7");
}

TEST_F(InfoMenuTest, ContactCarriesTheInstallationsMdBeforeTheVersion)
{
    UseInstallation("abc");
    Choose(MenuCommand::kInfoContact);
    EXPECT_EQ(WaitForOpenedPage(),
              std::string(kWeb) + "?extra=PC&Device=PC&MD=abc&version=1.0.2.7");
}

TEST_F(InfoMenuTest, TheTraysWebItemOpensTheHomePageWithASlash)
{
    UseInstallation("abc");
    window->OnTrayCommand(CMainWnd::kCmdWebPage);
    EXPECT_EQ(WaitForOpenedPage(), std::string(kWeb) + "/?extra=PC&Device=PC&version=1.0.2.7");
}

TEST_F(InfoMenuTest, SupportGroupGoesToTheDesktopOpener)
{
    Choose(MenuCommand::kInfoSupportGroup);
    EXPECT_TRUE(WaitForSupportGroup());
    EXPECT_TRUE(api.OpenedUrl().empty());
}

TEST_F(InfoMenuTest, CheckForUpdatesReachesTheUpdateHook)
{
    int checks = 0;
    QObject::connect(window.get(), &CMainWnd::updateCheckRequested, [&] { ++checks; });
    Choose(MenuCommand::kInfoCheckUpdate);
    EXPECT_TRUE(WaitUntil([&] { return checks == 1; }));
}

} // namespace
