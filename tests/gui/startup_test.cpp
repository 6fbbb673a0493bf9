#include "app/singleinstance.h"
#include "app/startfiles.h"
#include "app/startuplog.h"
#include "gui/guitest.h"
#include "support/scratchdir.h"
#include "ui/monitortable.h"
#include "utility/applog.h"

#include <QStandardPaths>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

TEST(StartupLog, WithoutTheMarkerNothingIsCreatedOrTouched)
{
    ScratchDir program;
    const std::string dir = program.Path().string() + "/";
    EXPECT_FALSE(StartAppLogIfMarked(dir));
    EXPECT_FALSE(fs::exists(program.Path() / "log"));

    fs::create_directory(program.Path() / "log");
    WriteFileBytes(program.Path() / "log" / "Dokora-0.log", "old run\n");
    EXPECT_FALSE(StartAppLogIfMarked(dir));
    EXPECT_EQ(ReadFileBytes(program.Path() / "log" / "Dokora-0.log"), "old run\n");
}

TEST(StartupLog, TheMarkerStartsAFreshLog)
{
    ScratchDir program;
    WriteFileBytes(program.Path() / "log.dll", "");
    fs::create_directory(program.Path() / "log");
    WriteFileBytes(program.Path() / "log" / "Dokora-0.log", "old run\n");
    ASSERT_EQ(ReadFileBytes(program.Path() / "log" / "Dokora-0.log"), "old run\n");
    EXPECT_TRUE(StartAppLogIfMarked(program.Path().string() + "/"));
    AppLog("CMainWnd::Initialize", "second line");
    DisableAppLog();
    const std::string log = ReadFileBytes(program.Path() / "log" / "Dokora-0.log");
    EXPECT_EQ(log.find("old run"), std::string::npos);
    EXPECT_NE(log.find("create log"), std::string::npos);
    EXPECT_NE(log.find("second line"), std::string::npos);
}

TEST(SingleInstance, ALaterStartActivatesTheFirstAndLeaves)
{
    TestApp();
    // Socket paths are short: the isolated runtime directory, not the deep scratch folder.
    const fs::path runtime =
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString();
    fs::create_directory(runtime / "a");
    fs::create_directory(runtime / "b");
    const QString dir = QString::fromStdString((runtime / "a").string());
    auto first = std::make_unique<SingleInstance>(dir);
    ASSERT_TRUE(first->Acquire());
    int activations = 0;
    QObject::connect(first.get(), &SingleInstance::activationRequested, [&] { ++activations; });

    SingleInstance second(dir);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(WaitUntil([&] { return activations == 1; }));

    // The name belongs to this user only; another runtime directory is another session.
    SingleInstance elsewhere(QString::fromStdString((runtime / "b").string()));
    EXPECT_TRUE(elsewhere.Acquire());

    first.reset();
    SingleInstance next(dir);
    EXPECT_TRUE(next.Acquire());
}

TEST(StartFiles, TheCommandLineNamesAbsoluteFilesAndHowToOpenThem)
{
    using Mode = StartFiles::Mode;
    const QString dir = QStringLiteral("/home/u/docs");
    const StartFiles open = ParseStartFiles(
        {QStringLiteral("a.pdf"), QStringLiteral("../b c.docx"), QStringLiteral("/t/x.png")}, dir,
        false);
    EXPECT_EQ(open.mode, Mode::Open);
    EXPECT_THAT(open.paths,
                ::testing::ElementsAre("/home/u/docs/a.pdf", "/home/u/b c.docx", "/t/x.png"));
    // Unknown options are left to Qt; after "--" everything is a file.
    const StartFiles convert =
        ParseStartFiles({QStringLiteral("--convert"), QStringLiteral("-style=x"),
                         QStringLiteral("--"), QStringLiteral("--convert")},
                        dir, false);
    EXPECT_EQ(convert.mode, Mode::Convert);
    EXPECT_THAT(convert.paths, ::testing::ElementsAre("/home/u/docs/--convert"));
    EXPECT_EQ(ParseStartFiles({QStringLiteral("a.pdf")}, dir, true).mode, Mode::Record);
    EXPECT_EQ(ParseStartFiles({QStringLiteral("--convert")}, dir, true).mode, Mode::Convert);
}

TEST(StartFiles, TheChannelCarriesAnyPathAndDropsWhatIsCutShort)
{
    const StartFiles files{StartFiles::Mode::Convert,
                           {"/d/line\nbreak.pdf", "/d/空 格.docx", "/d/third.txt"}};
    const QByteArray bytes = EncodeStartFiles(files);
    EXPECT_EQ(DecodeStartFiles(bytes), files);
    // A start that went away mid-message: the last path is incomplete.
    const auto cut = DecodeStartFiles(QByteArrayView(bytes).chopped(3));
    ASSERT_TRUE(cut);
    EXPECT_THAT(cut->paths, ::testing::ElementsAre("/d/line\nbreak.pdf", "/d/空 格.docx"));
    EXPECT_FALSE(DecodeStartFiles("view\n/d/a.pdf"));
    EXPECT_FALSE(DecodeStartFiles("open"));
    const auto relative = DecodeStartFiles(QByteArray("open\nrelative.pdf\0/d/a.pdf\0", 27));
    ASSERT_TRUE(relative);
    EXPECT_THAT(relative->paths, ::testing::ElementsAre("/d/a.pdf"));
}

TEST(StartFiles, FilesGoToTheFirstConversionThatTakesThem)
{
    // Printing comes first for a PDF but is no conversion.
    EXPECT_EQ(ConversionFunctionFor({"/d/a.PDF", "/d/b.docx"}), "PDF2Word");
    EXPECT_EQ(ConversionFunctionFor({"/d/b.docx"}), "Word2PDF");
    EXPECT_EQ(ConversionFunctionFor({"/d/c.jpeg"}), "JPG2PDF");
    EXPECT_EQ(ConversionFunctionFor({"/d/archive.zip"}), "");
    EXPECT_EQ(ConversionFunctionFor({}), "");
}

TEST(MonitorTable, ListsTheScreensInOrder)
{
    TestApp();
    const MonitorTable table;
    ASSERT_EQ(table.Count(), static_cast<std::size_t>(QGuiApplication::screens().size()));
    const auto first = table.Entry(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->screen, QGuiApplication::screens().front());
    EXPECT_GT(table.Dpi(0), 0);
    EXPECT_FALSE(table.WorkRect(0).isEmpty());
    EXPECT_TRUE(table.MonitorRect(0).contains(table.WorkRect(0)));
    EXPECT_FALSE(table.Entry(7));
    EXPECT_EQ(table.Dpi(7), 96);
}

} // namespace
