#include "gui/convertpagefixture.h"

namespace {

using namespace std::chrono_literals;

// One run after another on the conversion page: what is left of the first must not touch
// the second.
class ConvertRunsTest : public ConvertPageTest
{
protected:
    bool WaitForFinishedState(std::chrono::milliseconds timeout)
    {
        return WaitUntil([&] { return Page().ContinueButton()->isVisible(); }, timeout);
    }
};

// The poller of a finished run still sleeps when the next run starts; starting stops it, and
// the finish it posts then arrives while the next run works. Waiting on that finish once
// stopped the next run after five seconds.
TEST_F(ConvertRunsTest, AFinishLeftFromTheRunBeforeDoesNotStopTheNextRun)
{
    SignIn();
    conversions.Pipeline().query.SetPollInterval(1000);
    Open(kFunction, {MakeFile("first.pdf")});
    Page().StartButton()->click();
    ASSERT_TRUE(WaitForFinishedState(10s));
    ASSERT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::Completed);
    ASSERT_TRUE(conversions.Pipeline().query.IsRunning()); // sleeping until its next poll

    // The next run takes longer than the finish wait's five seconds.
    service.SetConversionDelay(6);
    Open(kFunction, {MakeFile("second.pdf")});
    ASSERT_EQ(Store().GetCount(kFunction), 1);
    Page().StartButton()->click();
    ASSERT_TRUE(WaitForFinishedState(20s));
    EXPECT_EQ(Store().GetStatus(kFunction, 0), ConversionStatus::Completed)
        << Store().GetItems(kFunction)[0].detailText;
}

} // namespace
