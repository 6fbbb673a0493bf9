#include "gui/convertpagefixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

QString AccessibleName(QObject* object)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

class AccessibilityTest : public ConvertPageTest
{
protected:
    // The text a screen reader reads for a cell of the conversion list.
    QString CellText(int row, int column)
    {
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(Page().ListView());
        if (!view || !view->tableInterface())
            return {};
        QAccessibleInterface* cell = view->tableInterface()->cellAt(row, column);
        return cell ? cell->text(QAccessible::Name) : QString();
    }
};

TEST_F(AccessibilityTest, IconButtonsAndTheWindowHaveNamesAndRoles)
{
    for (const char* name : {"btn_login", "btn_menu", "btn_min", "btn_close", "btn_back",
                             "btn_saveDir", "btn_leftbar_openpdf"})
        EXPECT_FALSE(AccessibleName(Find(name)).trimmed().isEmpty()) << name;
    EXPECT_EQ(AccessibleName(Find("btn_close")), QString::fromUtf8("关闭"));
    EXPECT_EQ(AccessibleName(Find("btn_login")), QString::fromUtf8("请登录"));
    EXPECT_TRUE(
        AccessibleName(Find("btn_saveDir")).contains(QString::fromUtf8("与原文件相同目录")));
    QAccessibleInterface* main = QAccessible::queryAccessibleInterface(window.get());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->role(), QAccessible::Window);
}

TEST_F(AccessibilityTest, ATilesDefaultActionOpensIt)
{
    QPushButton* tile =
        Find("scrollv_tileviewlist")->findChild<QPushButton*>(QLatin1String(kFunction));
    ASSERT_NE(tile, nullptr);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(tile);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->text(QAccessible::Name), QString::fromUtf8("PDF转Word"));
    ASSERT_NE(face->actionInterface(), nullptr);
    const QStringList actions = face->actionInterface()->actionNames();
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions.front(), QAccessibleActionInterface::pressAction());
    dialogs.fileAnswers.push_back(std::vector<std::string>{MakeFile("sr.pdf")});
    face->actionInterface()->doAction(actions.front());
    ASSERT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::ConvertList); }));
    EXPECT_EQ(Count(), 1);
}

TEST_F(AccessibilityTest, RowsTellTheirStatusAndButtons)
{
    Open(kFunction, {MakeFile("report.pdf")});
    EXPECT_EQ(CellText(0, 2), QString::fromUtf8("等待开始"));
    EXPECT_EQ(CellText(0, 3), QString::fromUtf8("删除"));
    EXPECT_EQ(AccessibleName(Page().RowButton(0, "btn_convl_delete")),
              QString::fromUtf8("删除 report.pdf"));

    Store().SetStatus(kFunction, 0, ConversionStatus::Uploading);
    Store().SetProgress(kFunction, 0, 25);
    Page().NotifyItemChanged(0);
    EXPECT_EQ(CellText(0, 2), QStringLiteral("25%"));

    Store().SetStatus(kFunction, 0, ConversionStatus::Completed);
    Store().SetStatusText(kFunction, 0, "已完成");
    Page().NotifyItemChanged(0);
    EXPECT_EQ(CellText(0, 2), QString::fromUtf8("已完成"));
    EXPECT_EQ(CellText(0, 3), QString::fromUtf8("打开文件, 打开目录"));
    EXPECT_EQ(AccessibleName(Page().RowButton(0, "btn_convl_openFile")),
              QString::fromUtf8("打开文件 report.pdf"));
}

// The plug-in fetches the page's ticket as slowly as a stalled sign-on server would.
class SlowTicketApi : public FakeAccountApi
{
public:
    void OpenUrl(const char* url) override
    {
        ++calls;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!released && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        FakeAccountApi::OpenUrl(url);
    }
    std::atomic<int> calls{0};
    std::atomic<bool> released{false};
};

TEST_F(AccessibilityTest, AWebTileFetchesItsTicketWithoutFreezingTheWindow)
{
    SlowTicketApi slow;
    account.Attach(&slow, FakeDllSetService);
    QPushButton* tile =
        Find("scrollv_tileviewlist")->findChild<QPushButton*>(QStringLiteral("PDFMerge"));
    ASSERT_NE(tile, nullptr);
    QElapsedTimer clock;
    clock.start();
    tile->click();
    Drain();
    EXPECT_LT(clock.elapsed(), 1000);
    ASSERT_TRUE(WaitUntil([&] { return slow.calls == 1; }));
    EXPECT_TRUE(tile->property("busy").toBool());
    // A second click while the first page is on its way fetches nothing more.
    tile->click();
    Drain();
    EXPECT_LT(clock.elapsed(), 1000);
    slow.released = true;
    EXPECT_TRUE(WaitUntil([&] { return !tile->property("busy").toBool(); }));
    EXPECT_EQ(slow.calls.load(), 1);
    EXPECT_TRUE(slow.OpenedUrl().find("/pdf-merge?extra=PC&Device=PC") != std::string::npos);
    account.Attach(nullptr, nullptr);
}

} // namespace
