#include "gui/convertpagefixture.h"
#include "ui/msgbox.h"
#include "ui/qtdialogservice.h"
#include "utility/stringtable.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTextLayout>
#include <QTimer>

namespace {

class WindowTextsTest : public ConvertPageTest
{
protected:
    QLabel* UserName() { return Find<QLabel>("txt_username"); }

    void SignInAs(const std::string& nickname)
    {
        api.nickname = nickname;
        account.Attach(&api, FakeDllSetService);
        account.IsSignedIn();
        Post(WM_ACCOUNT_USER_NAME, 0);
        Drain();
        window->grab();
    }

    // The lengths of the lines `label` shows its text in.
    static std::vector<int> LineLengths(const QLabel* label)
    {
        QTextLayout layout(label->text(), label->font());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<int> lengths;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label->width());
            lengths.push_back(line.textLength());
        }
        layout.endLayout();
        return lengths;
    }
};

TEST_F(WindowTextsTest, TheCaptionShowsAWholeShortNameAndElidesALongOne)
{
    SignInAs("neuling");
    EXPECT_EQ(UserName()->text(), QStringLiteral("neuling"));
    EXPECT_GE(UserName()->width(),
              UserName()->fontMetrics().horizontalAdvance(QStringLiteral("neuling")));

    const std::string longName = "a-very-long-nickname-that-no-caption-has-room-for-2024";
    SignInAs(longName);
    const QString shown = UserName()->text();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QLatin1Char('a')) && shown.endsWith(QStringLiteral("2024")));
    EXPECT_GE(UserName()->width(), UserName()->fontMetrics().horizontalAdvance(shown));
    auto* login = Find<QPushButton>("btn_login");
    EXPECT_EQ(login->toolTip().toStdString(), longName);
    EXPECT_EQ(login->accessibleName().toStdString(), longName);
}

TEST_F(WindowTextsTest, MessageTextsWrapEvenlyAndStayInsideTheBox)
{
    MsgBoxRequest question(MsgBoxMode::Question, "@string/str_completed_clear_atte");
    CMsgBox box(question, nullptr);
    auto* text = box.findChild<QLabel*>(QStringLiteral("txt_attention_string"));
    const std::vector<int> lines = LineLengths(text);
    ASSERT_EQ(lines.size(), 2u);
    // No lone word on the second line.
    EXPECT_GE(lines[1] * 2, lines[0]);

    const std::string name(90, 'x');
    MsgBoxRequest notice(MsgBoxMode::Notice, StringTable::Resolve("@string/str_msgbox_file_exist") +
                                                 "\n" + name + ".pdf");
    CMsgBox named(notice, nullptr);
    auto* label = named.findChild<QLabel*>(QStringLiteral("txt_attention_string"));
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                           Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.width(), label->width());
    EXPECT_LE(needed.height(), label->height());
    EXPECT_LE(label->geometry().right(), named.width());
    auto* ok = named.findChild<QPushButton*>(QStringLiteral("btn_bigOK"));
    EXPECT_GE(ok->y(), label->y() + needed.height());
    EXPECT_EQ(label->accessibleName().toStdString(),
              StringTable::Resolve("@string/str_msgbox_file_exist") + "\n" + name + ".pdf");
}

TEST_F(WindowTextsTest, TheFileDialogStartsInTheDocumentsFolder)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(QDir().mkpath(documents));
    QtDialogService service;
    QString shown;
    QTimer::singleShot(100, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            shown = dialog->directory().absolutePath();
            dialog->reject();
        }
    });
    OpenFileRequest request;
    request.filter = "PDF Files (*.pdf)";
    EXPECT_FALSE(service.OpenFiles(request).has_value());
    EXPECT_EQ(shown, QDir(documents).absolutePath());
}

TEST_F(WindowTextsTest, TheDisabledSaveDirectoryButtonLooksDisabled)
{
    Open(kFunction, {MakeFile("a.pdf")});
    QPushButton* saveDir = Page().SaveDirButton();
    saveDir->setEnabled(true);
    const QImage enabled = saveDir->grab().toImage();
    saveDir->setEnabled(false);
    const QImage disabled = saveDir->grab().toImage();
    // The darkest pixel is the text: it fades when the button is disabled.
    const auto darkest = [](const QImage& image) {
        int value = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                value = std::min(value, qGray(image.pixel(x, y)));
        return value;
    };
    EXPECT_GT(darkest(disabled), darkest(enabled) + 60);
}

} // namespace
