#include "adoptedprocesses.h"
#include "serviceclient.h"
#include "sharedservertest.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(ServerInstanceTest, AKilledInstanceLeavesNoOfficeOrBridgeRunning)
{
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const ScratchDirectory scratch("instance-kill");
    ServerProcess::Options options;
    options.workers = 1;
    ServerProcess service(scratch.Path() / "data", options);
    ASSERT_TRUE(service.Running());
    ServiceClient client(service.Port());
    ASSERT_TRUE(client.SignIn("tester", "secret"));
    const fs::path input = scratch.Path() / "warm.docx";
    ASSERT_TRUE(TestDocuments::WriteDocx(input, {"The office is up once this is converted."}));
    ASSERT_EQ(client.Convert("word-to-pdf", input).state, "FINISH");

    service.Kill();
    std::size_t alive = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while ((alive = AdoptedProcesses::ReapEnded()) > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(alive, 0u) << "processes of the killed service are still running";
    AdoptedProcesses::EndAll();
}

} // namespace
