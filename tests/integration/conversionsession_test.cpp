// Whole conversions through ConversionSession without a window or an application object:
// what the main window and the command-line converter both rely on.
#include "account/accountlibrary.h"
#include "support/fakeaccountapi.h"
#include "support/fakeservice.h"
#include "support/pipelinefixture.h"
#include "support/scratchdir.h"
#include "task/catalogue.h"
#include "task/conversionsession.h"
#include "task/headlessdriver.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace std::chrono_literals;

constexpr const char* kFunction = "PDF2Word";

// The headless driver with the checks a test decides and what the session reported.
class ScriptedHost : public HeadlessDriver
{
public:
    using HeadlessDriver::HeadlessDriver;

    bool SignedIn() override
    {
        ++signInAsks;
        return signedIn;
    }
    bool SessionReady() override { return sessionReady; }
    bool ServiceDataReady() override { return serviceData; }
    void RowsChanged() override { ++rowsChanged; }
    void RowChanged(int row) override { changedRows.push_back(row); }

    bool signedIn = true;
    bool sessionReady = true;
    bool serviceData = true;
    int signInAsks = 0;
    int rowsChanged = 0;
    std::vector<int> changedRows;
};

class ConversionSessionTest : public ::testing::Test
{
protected:
    ConversionSessionTest()
    {
        account.Attach(&api, FakeDllSetService);
        conversions.ShowFunction(kFunction);
    }

    std::string Source(const std::string& name, const std::string& content)
    {
        const std::filesystem::path path = scratch.Path() / name;
        std::filesystem::create_directories(path.parent_path());
        WriteFileBytes(path, content);
        return path.string();
    }

    // Steps the driver until the session reports the end of the run.
    bool RunUntilFinished(std::chrono::milliseconds timeout = 30s)
    {
        return WaitUntil(
            [&] {
                host.Step(20ms);
                return host.Finished();
            },
            timeout);
    }

    ConversionItem Row(int index) const
    {
        return conversions.List().Store().GetItems(kFunction).at(static_cast<std::size_t>(index));
    }

    ScratchDir scratch;
    FakeService service;
    FakeTokens tokens{service};
    FakeAccountApi api;
    AccountLibrary account;
    ConversionSession conversions{{.access = ServiceAccess(service.BaseUrl(), &tokens),
                                   .pollInterval = 50ms,
                                   .account = &account}};
    ScriptedHost host{conversions};
};

TEST_F(ConversionSessionTest, ABatchRunsFromAdmissionToTheFinishedState)
{
    const auto a = Source("in/a.pdf", "first");
    const auto b = Source("in/b.pdf", "second");
    host.rowsChanged = 0;
    const auto notices = conversions.AddFiles({a, b, a}, false);
    ASSERT_TRUE(notices.has_value());
    ASSERT_EQ(notices->size(), 1u);
    EXPECT_EQ((*notices)[0].reason, AdmissionNotice::Reason::AlreadyListed);
    EXPECT_EQ(host.rowsChanged, 1);

    ASSERT_EQ(conversions.Start(""), ConversionSession::StartResult::Started);
    EXPECT_FALSE(conversions.CanAddFiles());
    EXPECT_EQ(conversions.AddFiles({Source("in/c.pdf", "late")}, false), std::nullopt);
    ASSERT_TRUE(RunUntilFinished());

    EXPECT_FALSE(conversions.Pipeline().upload.IsRunning());
    EXPECT_FALSE(conversions.Pipeline().download.IsRunning());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Row(i).status, ConversionStatus::Completed) << Row(i).detailText;
    EXPECT_EQ(Row(0).outputPath, scratch.File("in/a.docx"));
    EXPECT_EQ(ReadFileBytes(Row(1).outputPath),
              FakeService::ResultSignature(GetTaskName(kFunction)) + "second");
    EXPECT_EQ(conversions.CompletedList().GetCount(), 2u);
    EXPECT_TRUE(conversions.HasFinishedBatch(kFunction));
    EXPECT_FALSE(conversions.HasPendingBatch(kFunction));

    // The next batch starts from an empty list.
    conversions.ClearRows();
    EXPECT_EQ(conversions.List().Store().GetCount(kFunction), 0);
    EXPECT_TRUE(conversions.CanAddFiles());
}

TEST_F(ConversionSessionTest, ResultsGoToTheChosenFolder)
{
    const std::string out = scratch.File("out");
    std::filesystem::create_directories(out);
    WriteFileBytes(out + "/a.docx", "kept");
    conversions.AddFiles({Source("in/a.pdf", "1")}, false);
    ASSERT_EQ(conversions.Start(out), ConversionSession::StartResult::Started);
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(Row(0).outputPath, out + "/a(1).docx");
    EXPECT_EQ(ReadFileBytes(out + "/a.docx"), "kept");
}

TEST_F(ConversionSessionTest, AStartThatFailsItsChecksLeavesTheRowsWaiting)
{
    EXPECT_EQ(conversions.Start(""), ConversionSession::StartResult::NoRows);
    conversions.AddFiles({Source("a.pdf", "x")}, false);

    host.signedIn = false;
    EXPECT_EQ(conversions.Start(""), ConversionSession::StartResult::NotSignedIn);
    EXPECT_EQ(Row(0).status, ConversionStatus::Waiting);

    host.signedIn = true;
    host.sessionReady = false;
    const int changesBefore = host.rowsChanged;
    EXPECT_EQ(conversions.Start(""), ConversionSession::StartResult::NotReady);
    EXPECT_EQ(Row(0).status, ConversionStatus::Waiting);
    EXPECT_TRUE(Row(0).outputPath.empty());
    // Queued while the checks run, then back.
    EXPECT_EQ(host.rowsChanged, changesBefore + 2);

    host.sessionReady = true;
    host.serviceData = false;
    EXPECT_EQ(conversions.Start(""), ConversionSession::StartResult::NotReady);
    EXPECT_EQ(Row(0).status, ConversionStatus::Waiting);
    EXPECT_FALSE(conversions.IsRunning());
    EXPECT_TRUE(service.Requests(FakeEndpoint::kUpload).empty());

    // Without the service's data no file is taken either.
    EXPECT_EQ(conversions.AddFiles({Source("b.pdf", "y")}, false), std::nullopt);
    EXPECT_EQ(conversions.List().Store().GetCount(kFunction), 1);
}

TEST_F(ConversionSessionTest, AFailedDownloadIsDownloadedAgainWhenSignedIn)
{
    for (int attempt = 0; attempt < 3; ++attempt)
        service.Script(FakeEndpoint::kResult, FakeReply::Text("gone", 404));
    conversions.AddFiles({Source("a.pdf", "again")}, false);
    ASSERT_EQ(conversions.Start(""), ConversionSession::StartResult::Started);
    ASSERT_TRUE(RunUntilFinished());
    ASSERT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    EXPECT_EQ(conversions.CompletedList().GetCount(), 0u);

    host.signedIn = false;
    EXPECT_FALSE(conversions.Redownload(0));
    EXPECT_EQ(Row(0).status, ConversionStatus::DownloadFailed);
    EXPECT_FALSE(conversions.IsRedownloading());

    host.signedIn = true;
    ASSERT_TRUE(conversions.Redownload(0));
    EXPECT_EQ(host.changedRows, std::vector<int>{0});
    ASSERT_TRUE(WaitUntil(
        [&] {
            host.Step(20ms);
            return Row(0).status == ConversionStatus::RedownloadCompleted &&
                   !conversions.IsRedownloading();
        },
        10s))
        << Row(0).detailText;
    EXPECT_EQ(ReadFileBytes(Row(0).outputPath),
              FakeService::ResultSignature(GetTaskName(kFunction)) + "again");
    EXPECT_EQ(conversions.CompletedList().GetCount(), 1u);
}

// A finish posted for a run that is not the current one changes nothing; the current run's
// finish waits for its stages, and stops them after five seconds.
TEST_F(ConversionSessionTest, TheFinishWaitEndsStagesThatDoNotEnd)
{
    service.Script(FakeEndpoint::kUpload, FakeReply::WithFault(FakeReply::Fault::Stall));
    conversions.AddFiles({Source("a.pdf", "stalls")}, false);
    ASSERT_EQ(conversions.Start(""), ConversionSession::StartResult::Started);
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kUpload, 1, 5s));

    conversions.OnConvertFinish(WindowMessage{WM_CONVERT_FINISH, 7, 0, {}});
    host.Step(200ms);
    EXPECT_FALSE(host.Finished());
    EXPECT_TRUE(conversions.Pipeline().upload.IsRunning());

    const auto asked = std::chrono::steady_clock::now();
    conversions.OnConvertFinish(WindowMessage{WM_CONVERT_FINISH, 1, 0, {}});
    EXPECT_FALSE(host.Finished());
    ASSERT_TRUE(RunUntilFinished(15s));
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 4500ms);
    EXPECT_FALSE(conversions.Pipeline().upload.IsRunning());
    EXPECT_EQ(Row(0).status, ConversionStatus::Aborted);
}

} // namespace
