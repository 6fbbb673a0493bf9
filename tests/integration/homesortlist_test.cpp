#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "tiles/homesortlist.h"
#include "tiles/homesortlistthread.h"
#include "utility/utilitycalls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <thread>

void PrintTo(const HomeSortRecord& record, std::ostream* out)
{
    *out << "{ok " << record.ok << ", ret " << record.ret << ", msg \"" << record.msg.substr(0, 40)
         << "\", " << record.isFree.size() << " entries}";
}

class HomeSortListTest : public ::testing::Test
{
protected:
    HomeSortListTest() { thread.SetMainWnd(&target); }

    HomeSortRecord Fetch(FakeReply reply)
    {
        service.Script(FakeEndpoint::kHomeSortList, std::move(reply));
        EXPECT_TRUE(thread.Start());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (thread.IsAlive() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_FALSE(thread.IsAlive());
        return record.Get();
    }

    FakeService service;
    RecordingTarget target;
    HomeSortList record;
    OwnedThread<CHomeSortListThread> thread{record, service.BaseUrl()};
};

TEST_F(HomeSortListTest, AcceptedReplyFillsTheRecord)
{
    const auto got = Fetch(FakeReply::Json(
        R"({"ret":3,"msg":"fine","data":[{"convertType":"PDF2Word","isFree":false},)"
        R"({"convertType":"PDF2Html","isFree":true},{"convertType":"转换","isFree":true}]})"));
    EXPECT_EQ(got,
              (HomeSortRecord{
                  true, 3, "fine", {{"PDF2Html", true}, {"PDF2Word", false}, {"转换", true}}}));
    EXPECT_EQ(target.Count(WM_TASK_NET_ERROR), 0u);

    const auto requests = service.Requests(FakeEndpoint::kHomeSortList);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/api/getHomeSortList");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json");
}

TEST_F(HomeSortListTest, EmptyListSucceedsAndLargeRepliesFit)
{
    EXPECT_EQ(Fetch(FakeReply::Json(R"({"ret":0,"msg":"","data":[]})")),
              (HomeSortRecord{true, 0, "", {}}));

    // Well beyond the ordinary 13000-byte reply buffer, within this request's 26000.
    std::string data;
    for (int i = 0; i < 600; ++i)
        data += std::string(data.empty() ? "" : ",") + R"({"convertType":"Key)" +
                std::to_string(i) + R"(","isFree":true})";
    const std::string body = R"({"ret":0,"msg":"ok","data":[)" + data + "]}";
    ASSERT_GT(body.size(), 20000u);
    ASSERT_LT(body.size(), 25000u);
    EXPECT_EQ(Fetch(FakeReply::Json(body)).isFree.size(), 600u);
}

TEST_F(HomeSortListTest, RejectedRepliesKeepTheContentsAndReportTheFailure)
{
    const HomeSortRecord good{true, 0, "ok", {{"PDF2Word", false}}};
    ASSERT_EQ(Fetch(FakeReply::Json(R"({"ret":0,"msg":"ok","data":[)"
                                    R"({"convertType":"PDF2Word","isFree":false}]})")),
              good);
    HomeSortRecord failed = good;
    failed.ok = false;

    std::size_t failures = 0;
    for (const FakeReply& reply : {
             FakeReply::Json(R"({"ret":0,"msg":"","data":[{"convertType":"PDF2Word"}]})"),
             FakeReply::Json(R"({"ret":0,"msg":"","data":[{"isFree":true}]})"),
             FakeReply::Json(R"({"ret":0,"data":[]})"),
             FakeReply::Json(R"({"msg":"","data":[]})"),
             FakeReply::Json(R"({"ret":0,"msg":""})"),
             FakeReply::Json(R"({"ret":0,"msg":"","data":{}})"),
             FakeReply::Json(R"({"ret":0,"msg":"","data":[{"convertType":[1],"isFree":1}]})"),
             FakeReply::Json(R"({"ret":0,"msg":"","data":[]})", 500),
             FakeReply::Json(R"({"ret":0,"msg":")" + std::string(26000, 'x') + R"(","data":[]})"),
         }) {
        EXPECT_EQ(Fetch(reply), failed) << reply.body.substr(0, 80);
        EXPECT_EQ(target.Count(WM_TASK_NET_ERROR), ++failures) << reply.body.substr(0, 80);
    }

    // No reply at all, on every attempt.
    const auto dropped = FakeReply::WithFault(FakeReply::Fault::Close);
    for (std::uint32_t attempt = 1; attempt < Utility::kServiceAttempts; ++attempt)
        service.Script(FakeEndpoint::kHomeSortList, dropped);
    EXPECT_EQ(Fetch(dropped), failed);
    EXPECT_EQ(target.Count(WM_TASK_NET_ERROR), ++failures);
}

TEST_F(HomeSortListTest, AStopEndsAStalledRequestWithoutANotice)
{
    service.Script(FakeEndpoint::kHomeSortList, FakeReply::WithFault(FakeReply::Fault::Stall));
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(service.WaitForRequests(FakeEndpoint::kHomeSortList, 1, std::chrono::seconds(5)));
    EXPECT_TRUE(thread.StopWait(1000));
    EXPECT_FALSE(record.Get().ok);
    EXPECT_EQ(target.Count(WM_TASK_NET_ERROR), 0u);
}
