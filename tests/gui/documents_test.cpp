// Documents opened and printed from the main window through the viewer and tool-kit plug-ins
// this build made: passwords, bad files, and what the viewer asks of the client.
#include "gui/convertpagefixture.h"
#include "gui/testpdf.h"

#include "plugindigests.h"
#include "tiles/viewerplugins.h"
#include "ui/msgbox.h"

#include <QLineEdit>
#include <QStackedWidget>

#include <filesystem>
#include <fstream>

namespace {

class DocumentsTest : public ConvertPageTest
{
protected:
    DocumentsTest()
    {
        TestPdf::Write(plain, {QStringLiteral("第一页"), QStringLiteral("第二页")});
        dialogs.verifier = &viewer;
        services.viewer = &viewer;
        MakeWindow();
    }

    ~DocumentsTest() override { window.reset(); }

    // The viewer windows on screen.
    static int ViewerWindows()
    {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += widget->objectName() == QLatin1String("LeafviewWnd") && widget->isVisible();
        return count;
    }

    std::string Protected()
    {
        const std::string path = scratch.File("protected.pdf");
        EXPECT_TRUE(TestPdf::Protect(plain, path, "secret"));
        return path;
    }

    int OpenRecords() { return window->RecordPage().Adapter().GetCount(); }

    ViewerPlugins viewer{{DOKORA_PLUGIN_DIR, LeafviewDigest(), QuillkitDigest()}};
    const std::string plain = scratch.File("plain.pdf");
};

TEST_F(DocumentsTest, AProtectedDocumentAsksUntilThePasswordIsRight)
{
    const std::string path = Protected();
    EXPECT_TRUE(window->NeedsPassword(path));
    EXPECT_FALSE(window->NeedsPassword(plain));
    dialogs.typedPasswords = {"wrong", "secret"};
    window->ViewPdf(path);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    const MsgBoxRequest asked = dialogs.Requests()[0];
    EXPECT_EQ(asked.mode, MsgBoxMode::Password);
    EXPECT_EQ(asked.documentPath, path);
    EXPECT_EQ(asked.bigOkText, "@string/str_msgbox_password_btn");
    // The wrong one kept the box open; the right one opened the document.
    EXPECT_EQ(dialogs.passwordsTried, 2);
    EXPECT_EQ(ViewerWindows(), 1);
    EXPECT_EQ(window->CurrentDocument(), path);
    EXPECT_EQ(OpenRecords(), 1);
}

TEST_F(DocumentsTest, ThePasswordBoxChecksWithTheViewerAndStaysOpenWhenWrong)
{
    MsgBoxRequest request(MsgBoxMode::Password, "");
    request.documentPath = Protected();
    CMsgBox box(request, &viewer);
    box.open();
    auto* edit = box.findChild<QLineEdit*>(QStringLiteral("re_password"));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("btn_smallOK"));
    ASSERT_TRUE(edit && ok);
    edit->setText(QStringLiteral("wrong"));
    ok->click();
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(box.findChild<QWidget*>(QStringLiteral("txt_password_err"))->isVisible());
    edit->setText(QStringLiteral("secret"));
    ok->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(static_cast<MsgBoxResult>(box.result()), MsgBoxResult::Ok);
    EXPECT_EQ(box.Password(), "secret");
}

TEST_F(DocumentsTest, CancellingThePasswordOpensNothing)
{
    window->ViewPdf(Protected());
    EXPECT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(ViewerWindows(), 0);
    EXPECT_EQ(OpenRecords(), 0);
    EXPECT_TRUE(window->CurrentDocument().empty());
}

TEST_F(DocumentsTest, AnUnprotectedDocumentOpensAtOnce)
{
    window->ViewPdf(plain);
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_EQ(ViewerWindows(), 1);
    EXPECT_EQ(OpenRecords(), 1);
}

TEST_F(DocumentsTest, BadFilesAreToldAndNotRecorded)
{
    const auto write = [&](const std::string& name, const std::string& bytes) {
        const std::string path = scratch.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    window->ViewPdf(scratch.File("missing.pdf"));
    window->ViewPdf(write("empty.pdf", ""));
    window->ViewPdf(write("damaged.pdf", "%PDF-1.4\nthis is no document\n"));
    const auto requests = dialogs.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].message, "@string/str_msgbox_file_missing");
    EXPECT_EQ(requests[0].title, "@string/str_msgbox_title_tip");
    EXPECT_EQ(requests[1].mode, MsgBoxMode::NoticeTwoLines);
    EXPECT_EQ(requests[1].message, "@string/str_msgbox_file_err");
    EXPECT_EQ(requests[2].message, "@string/str_msgbox_file_err");
    EXPECT_EQ(ViewerWindows(), 0);
    EXPECT_EQ(OpenRecords(), 0);
}

TEST_F(DocumentsTest, AnAlteredPluginIsNotLoaded)
{
    const std::string dir = scratch.File("work") + "/";
    std::filesystem::create_directories(dir);
    for (const char* file : {kViewerPluginFile, kToolKitPluginFile}) {
        std::filesystem::copy_file(std::string(DOKORA_PLUGIN_DIR) + file, dir + file);
        std::ofstream(dir + file, std::ios::binary | std::ios::app) << "tampered";
    }
    ViewerPlugins altered({dir, LeafviewDigest(), QuillkitDigest()});
    EXPECT_FALSE(altered.NeedsPassword(Protected()));
    EXPECT_EQ(altered.ShowViewer(plain, nullptr, false, nullptr, std::nullopt),
              ViewerOpen::Missing);
    EXPECT_FALSE(altered.IsPasswordCorrect(plain, "x"));

    // Without a work directory nothing is looked for where the process happens to be.
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(DOKORA_PLUGIN_DIR);
    ViewerPlugins nowhere({"", LeafviewDigest(), QuillkitDigest()});
    EXPECT_EQ(nowhere.ShowViewer(plain, nullptr, false, nullptr, std::nullopt),
              ViewerOpen::Missing);
    std::filesystem::current_path(before);
}

TEST_F(DocumentsTest, TheOpenRecordsOpenButtonOpensInTheViewer)
{
    window->ViewPdf(plain);
    ASSERT_EQ(OpenRecords(), 1);
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("LeafviewWnd"))
            widget->close();
    ASSERT_TRUE(WaitUntil([] { return ViewerWindows() == 0; }));
    window->RecordPage().rowButtonClicked(QStringLiteral("btn_comp_openFile"), 0);
    EXPECT_EQ(ViewerWindows(), 1);
    EXPECT_EQ(OpenRecords(), 1);
}

TEST_F(DocumentsTest, AScannedPageOpensInTheViewer)
{
    const std::string bmp = scratch.File("scan.bmp");
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    ASSERT_TRUE(image.save(QString::fromStdString(bmp), "BMP"));
    Post(WM_OPEN_IN_VIEWER, 0, bmp);
    Drain();
    EXPECT_EQ(ViewerWindows(), 1);
    EXPECT_TRUE(dialogs.Requests().empty());
}

} // namespace
