#include "gui/convertpagefixture.h"
#include "ui/tilepanel.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QKeyEvent>
#include <QMenu>

#include <set>

namespace {

class KeyboardTest : public ConvertPageTest
{
protected:
    KeyboardTest()
    {
        QApplication::setActiveWindow(window.get());
        window->activateWindow();
    }

    // What Tab reaches, in order, from the first left-bar entry round to it again: object
    // names, with the row for list entries.
    std::vector<QString> TabRound()
    {
        QWidget* start = Find("lb_leftbar_part1");
        start->setFocus(Qt::TabFocusReason);
        std::vector<QString> reached;
        for (int i = 0; i < 200; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QString name = focus ? focus->objectName() : QStringLiteral("<none>");
            if (auto* list = qobject_cast<QListWidget*>(focus))
                name += QStringLiteral(":%1").arg(list->currentRow());
            if (!reached.empty() && name == reached.front())
                break;
            reached.push_back(name);
            Press(Qt::Key_Tab);
        }
        return reached;
    }
};

TEST_F(KeyboardTest, TabReachesEveryEntryTileAndCaptionButtonInReadingOrder)
{
    const std::vector<QString> round = TabRound();
    const auto at = [&](const QString& name) {
        return std::find(round.begin(), round.end(), name) - round.begin();
    };
    const int end = static_cast<int>(round.size());
    for (const char* name :
         {"lb_leftbar_part1:0", "lb_leftbar_part1:3", "btn_leftbar_openpdf", "btn_login",
          "btn_menu", "btn_min", "btn_close", "PDFPrint", "PDF2Word", "Excel2PDF"})
        EXPECT_LT(at(QString::fromLatin1(name)), end) << name;
    EXPECT_LT(at("lb_leftbar_part1:3"), at("btn_leftbar_openpdf"));
    EXPECT_LT(at("btn_leftbar_openpdf"), at("btn_login"));
    EXPECT_LT(at("btn_login"), at("btn_menu"));
    EXPECT_LT(at("btn_close"), at("PDFPrint"));
    EXPECT_LT(at("PDFPrint"), at("PDF2Word"));
    // Every tile of the page is a stop of its own.
    const auto tiles = Find("scrollv_tileviewlist")->findChildren<CTilePanel*>();
    ASSERT_FALSE(tiles.isEmpty());
    for (const CTilePanel* tile : tiles)
        EXPECT_LT(at(tile->objectName()), end) << tile->objectName().toStdString();
}

TEST_F(KeyboardTest, TabMarksALeftBarEntryAndEnterChoosesIt)
{
    Find("lb_leftbar_part2")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    Press(Qt::Key_Tab);
    EXPECT_EQ(Find<QListWidget>("lb_leftbar_part2")->currentRow(), 1);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::MainTileView));
    Press(Qt::Key_Return);
    EXPECT_EQ(CurrentPage(), static_cast<int>(MainPage::RecordList));
}

TEST_F(KeyboardTest, EnterOrSpaceOnATileOpensItsFunction)
{
    QPushButton* tile =
        Find("scrollv_tileviewlist")->findChild<QPushButton*>(QLatin1String(kFunction));
    ASSERT_NE(tile, nullptr);
    tile->setFocus(Qt::TabFocusReason);
    dialogs.fileAnswers.push_back(std::vector<std::string>{MakeFile("k.pdf")});
    Press(Qt::Key_Return);
    ASSERT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::ConvertList); }));
    EXPECT_EQ(Count(), 1);

    // The page's controls go on with Tab; the back button acts on Space.
    Page().BackButton()->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Space);
    EXPECT_TRUE(
        WaitUntil([&] { return CurrentPage() == static_cast<int>(MainPage::MainTileView); }));
}

TEST_F(KeyboardTest, RowButtonsAndPageButtonsTakeFocusAndShowIt)
{
    Open(kFunction, {MakeFile("row.pdf")});
    QPushButton* remove = Page().RowButton(0, "btn_convl_delete");
    ASSERT_NE(remove, nullptr);
    for (QWidget* control :
         {static_cast<QWidget*>(remove), static_cast<QWidget*>(Page().StartButton()),
          static_cast<QWidget*>(Page().AddFileButton()),
          static_cast<QWidget*>(Page().SaveDirButton()),
          static_cast<QWidget*>(Page().BackButton())})
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus) << control->objectName().toStdString();

    // Focus is drawn: the focused start button looks different from the unfocused one.
    QPushButton* start = Page().StartButton();
    Page().AddFileButton()->setFocus(Qt::TabFocusReason);
    const QImage plain = start->grab().toImage();
    start->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(start->hasFocus());
    EXPECT_NE(start->grab().toImage(), plain);

    remove->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Return);
    EXPECT_EQ(Count(), 0);
}

TEST_F(KeyboardTest, WithoutATrayTheMenuButtonOffersTheTrayCommandsAndQuits)
{
    services.tray = nullptr;
    MakeWindow();
    auto* menuButton = Find<QPushButton>("btn_menu");
    menuButton->click();
    auto* menu = window->findChild<QMenu*>(QStringLiteral("rc_menu_info"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts.push_back(action->text());
    // The information menu, then what the tray would offer beyond it.
    EXPECT_EQ(texts, (QStringList{QString::fromUtf8("设置"), QString::fromUtf8("检查更新"),
                                  QString::fromUtf8("用户QQ群"), QString::fromUtf8("联系客服"),
                                  QString::fromUtf8("访问网页版"), QString::fromUtf8("退出")}));
    menu->hide();

    // While rows are in progress "退出" asks first; cancelling keeps the program.
    AddRows(1, ConversionStatus::Uploading);
    bool exiting = false;
    QObject::connect(window.get(), &CMainWnd::exiting, [&] { exiting = true; });
    dialogs.Answer(MsgBoxResult::Cancel);
    menu->actions().back()->trigger();
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "@string/str_msgbox_conving");
    EXPECT_FALSE(exiting);
    dialogs.Answer(MsgBoxResult::Ok);
    menu->actions().back()->trigger();
    EXPECT_TRUE(exiting);
}

} // namespace
