#include "gui/mainwndfixture.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace {

QStringList ItemNames(const QMenu& menu)
{
    QStringList names;
    for (const QAction* action : menu.actions())
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

QAction* Item(const QMenu& menu, int id)
{
    return menu.findChild<QAction*>(QStringLiteral("menuItem_%1").arg(id));
}

using TrayTest = MainWndTest;

TEST_F(TrayTest, LeftClickHidesAShownWindowAndShowsAHiddenOne)
{
    ASSERT_TRUE(window->isVisible());
    emit tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->isVisible());
    emit tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window->isVisible());

    // The second press of a double click is no second click.
    emit tray.activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window->isVisible());

    // A minimised window is brought back, not hidden.
    window->showMinimized();
    emit tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());

    // The right button opens the menu only.
    emit tray.activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(TrayTest, TheIconOffersTheTrayMenuAndItsCommandsAct)
{
    EXPECT_TRUE(tray.present);
    EXPECT_EQ(tray.shownTip, QStringLiteral("TevraDokora"));
    ASSERT_TRUE(tray.menu);
    EXPECT_EQ(tray.menu->objectName(), QStringLiteral("rc_menu_tray"));
    EXPECT_EQ(ItemNames(*tray.menu),
              (QStringList{"menuItem_711", "menuItem_712", "-", "menuItem_713", "menuItem_714"}));
    EXPECT_EQ(Item(*tray.menu, 711)->text(), QString::fromUtf8("访问网页版"));
    EXPECT_EQ(Item(*tray.menu, 714)->text(), QString::fromUtf8("退出"));

    Find<QPushButton>("btn_close")->click();
    ASSERT_FALSE(window->isVisible());
    Item(*tray.menu, 713)->trigger();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(TrayTest, QuittingWhileUploadingAsksAndTheIconLeavesOnlyWithTheProgram)
{
    AddRows(1, ConversionStatus::Uploading);
    dialogs.Answer(MsgBoxResult::Cancel);
    Item(*tray.menu, 714)->trigger();
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "@string/str_msgbox_conving");
    EXPECT_TRUE(tray.present);

    dialogs.Answer(MsgBoxResult::Ok);
    Item(*tray.menu, 714)->trigger();
    EXPECT_TRUE(WaitUntil([&] { return !tray.present; }));
}

TEST_F(TrayTest, TheIconComesBackWhenTheTrayRestarts)
{
    ASSERT_EQ(tray.shown, 1);
    tray.present = false; // the tray's host went away with the icon
    emit tray.restarted();
    EXPECT_EQ(tray.shown, 2);
    EXPECT_TRUE(tray.present);
    EXPECT_EQ(ItemNames(*tray.menu).size(), 5);
}

TEST_F(TrayTest, WithoutATrayTheWindowNeverHides)
{
    services.tray = nullptr;
    MakeWindow();
    Find<QPushButton>("btn_close")->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());

    window->showNormal();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());

    // The tray's own commands move to "≡"; the window shows them itself.
    Find<QPushButton>("btn_menu")->click();
    auto* menu = window->findChild<QMenu*>(QStringLiteral("rc_menu_info"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(ItemNames(*menu), (QStringList{"menuItem_510", "menuItem_512", "menuItem_513",
                                             "menuItem_514", "-", "menuItem_711", "menuItem_714"}));
    menu->hide();
}

} // namespace
