#include "gui/fakeopener.h"
#include "gui/mainwndfixture.h"
#include "ui/convnotifywnd.h"
#include "ui/settingwnd.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <chrono>

namespace {

using namespace std::chrono_literals;

class NoticeTest : public MainWndTest
{
protected:
    NoticeTest() { clientInfo.SetNotifyAfterFinish(true); }

    CConvNotifyWnd* Saved(const std::string& path)
    {
        Post(WM_CONVERT_FILE_DONE, 0, path);
        Drain();
        return window->Notice().Window();
    }

    std::string Result(const std::string& name)
    {
        const std::string path = scratch.File(name);
        WriteFileBytes(path, "%PDF-1.4");
        return path;
    }

    static int NoticesOnScreen()
    {
        int shown = 0;
        for (const QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<const CConvNotifyWnd*>(widget) && widget->isVisible())
                ++shown;
        return shown;
    }

    template <typename T = QWidget> static T* Part(const QWidget* notice, const char* name)
    {
        return notice->findChild<T*>(QString::fromLatin1(name));
    }
};

TEST_F(NoticeTest, ASecondResultWithinFiveSecondsReplacesTheNotice)
{
    QPointer<CConvNotifyWnd> first = Saved(Result("first.docx"));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    QPointer<CConvNotifyWnd> second = Saved(Result("second.docx"));
    ASSERT_TRUE(second);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Part<QLabel>(second, "txt_fileName")->text(), QStringLiteral("second.docx"));
    EXPECT_EQ(NoticesOnScreen(), 1);
}

TEST_F(NoticeTest, NoNoticeWhileTheUserTurnedItOff)
{
    clientInfo.SetNotifyAfterFinish(false);
    EXPECT_EQ(Saved(Result("quiet.docx")), nullptr);
    EXPECT_EQ(NoticesOnScreen(), 0);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(NoticeTest, SlidesIntoTheWorkAreasCornerAsksForNoFocusAndLeavesAfterFiveSeconds)
{
    QPointer<CConvNotifyWnd> notice = Saved(Result("slide.docx"));
    ASSERT_TRUE(notice);
    // The slide runs in the event loop: the handler has returned before it ends.
    EXPECT_TRUE(notice->isVisible());
    EXPECT_NE(notice->geometry(), notice->TargetRect());

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(notice->TargetRect().bottomRight(), area.bottomRight());
    EXPECT_EQ(notice->TargetRect().size(), QSize(CConvNotifyWnd::kWidth, CConvNotifyWnd::kHeight));
    EXPECT_TRUE(WaitUntil([&] { return notice->geometry() == notice->TargetRect(); }, 2s));

    // The offscreen platform activates every window it shows, so what a test can see is
    // that the notice asks the desktop for no focus.
    EXPECT_TRUE(notice->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(notice->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(notice->focusWidget());

    EXPECT_TRUE(WaitUntil([&] { return notice.isNull(); }, CConvNotifyWnd::kShowTime + 2s));
    EXPECT_EQ(NoticesOnScreen(), 0);
}

TEST_F(NoticeTest, ALongNameIsCutWithAnEllipsisAt180Pixels)
{
    const std::string name(120, 'w');
    CConvNotifyWnd* notice = Saved(Result(name + ".pdf"));
    ASSERT_NE(notice, nullptr);
    auto* label = Part<QLabel>(notice, "txt_fileName");
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), CConvNotifyWnd::kNameWidth);
    EXPECT_EQ(label->toolTip(), QString::fromStdString(name + ".pdf"));

    CConvNotifyWnd* shortName = Saved(Result("a.pdf"));
    EXPECT_EQ(Part<QLabel>(shortName, "txt_fileName")->text(), QStringLiteral("a.pdf"));
}

TEST_F(NoticeTest, ButtonsOpenTheResultItsFolderAndTheSettings)
{
    FakeOpener opener(scratch, true);
    const std::string path = Result("open me.docx");
    CConvNotifyWnd* notice = Saved(path);
    ASSERT_NE(notice, nullptr);
    auto* openFile = Part<QPushButton>(notice, "btn_openFile");
    ASSERT_TRUE(openFile->isVisibleTo(notice));
    EXPECT_EQ(openFile->text(), QString::fromUtf8("快速打开"));
    openFile->click();
    ASSERT_TRUE(opener.WaitForOpened("1|" + path + "\n"));
    Part<QPushButton>(notice, "btn_folder")->click();
    ASSERT_TRUE(opener.WaitForOpened("1|" + path + "\n1|" + scratch.Path().string() + "\n"));

    // Deleted meanwhile: "快速打开" does nothing.
    std::filesystem::remove(path);
    openFile->click();
    Drain();
    EXPECT_EQ(opener.Opened(), "1|" + path + "\n1|" + scratch.Path().string() + "\n");
    EXPECT_TRUE(dialogs.Messages().empty());

    Part<QPushButton>(notice, "btn_setting")->click();
    Drain();
    ASSERT_NE(window->SettingWindow(), nullptr);
    EXPECT_TRUE(window->SettingWindow()->isVisible());
    // The notice stays until its time is up.
    ASSERT_EQ(window->Notice().Window(), notice);

    QPointer<CConvNotifyWnd> closing = notice;
    Part<QPushButton>(notice, "btn_close")->click();
    EXPECT_TRUE(WaitUntil([&] { return closing.isNull(); }));
}

TEST_F(NoticeTest, QuickOpenIsOfferedOnlyForAFileThatExistsAndEveryButtonIsNamed)
{
    CConvNotifyWnd* notice = Saved(scratch.File("gone.docx"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(Part(notice, "btn_openFile")->isVisibleTo(notice));
    EXPECT_TRUE(Part(notice, "btn_folder")->isVisibleTo(notice));

    // A screen reader hears what the notice says and what each button does.
    EXPECT_EQ(notice->accessibleName(), QString::fromUtf8("文件处理完成！"));
    EXPECT_EQ(notice->accessibleDescription(), QStringLiteral("gone.docx"));
    for (const QPushButton* button : notice->findChildren<QPushButton*>()) {
        QAccessibleInterface* accessible =
            QAccessible::queryAccessibleInterface(const_cast<QPushButton*>(button));
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << button->objectName().toStdString();
    }
}

} // namespace
