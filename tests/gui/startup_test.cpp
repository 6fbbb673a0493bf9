#include "app/singleinstance.h"
#include "app/startuplog.h"
#include "gui/guitest.h"
#include "support/scratchdir.h"
#include "ui/monitortable.h"
#include "utility/applog.h"

#include <QStandardPaths>

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
