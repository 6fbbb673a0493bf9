#include "officeinstance.h"
#include "testdocuments.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Processes whose command line mentions `text`, zombies excepted.
std::vector<pid_t> ProcessList(const std::string& text)
{
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(cmdline)), {});
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state;
        stat >> pid >> name >> state;
        if (line.find(text) != std::string::npos && state != "Z") {
            found.push_back(std::atoi(pid.c_str()));
        }
    }
    return found;
}

int ProcessesMentioning(const std::string& text)
{
    return static_cast<int>(ProcessList(text).size());
}

TEST(OfficeInstanceTest, AConversionOverItsTimeLimitIsStoppedAndTheNextOneRestartsTheOffice)
{
    const fs::path dir = fs::temp_directory_path() / ("office-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_TRUE(TestDocuments::WriteText(dir / "note.txt", "Warm office 温暖\n"));
    const std::string pipe = "dokora-test-" + std::to_string(getpid());
    const ChildProcess::CancelFlag never{false};
    {
        OfficeInstance office(dir / "profile", pipe, never);
        const OfficeInstance::Request request{dir / "note.txt", dir / "note.pdf", "pdf",
                                              "Text (encoded)", "UTF8"};
        std::string error;
        ASSERT_TRUE(office.Start(error)) << error;
        EXPECT_EQ(ProcessesMentioning(pipe), 2); // the office and its bridge

        EXPECT_FALSE(office.Convert(request, ChildProcess::Clock::now(), error));
        EXPECT_EQ(error, "the conversion took too long and was stopped");
        EXPECT_EQ(ProcessesMentioning(pipe), 0);

        ASSERT_TRUE(office.Convert(request, ChildProcess::Clock::now() + 120s, error)) << error;
        const std::string text =
            TestDocuments::Capture({"pdftotext", (dir / "note.pdf").string(), "-"});
        EXPECT_NE(text.find("Warm office"), std::string::npos) << text;
        EXPECT_NE(text.find("温暖"), std::string::npos) << text;

        // A document it cannot open is one failed conversion, not a broken instance.
        TestDocuments::WriteText(dir / "broken.docx", "PK\x03\x04 not really a zip");
        EXPECT_FALSE(office.Convert({dir / "broken.docx", dir / "broken.pdf", "pdf", "", ""},
                                    ChildProcess::Clock::now() + 60s, error));
        EXPECT_FALSE(error.empty());
        ASSERT_TRUE(office.Convert(request, ChildProcess::Clock::now() + 60s, error)) << error;

        // An office that died between two documents is replaced without a failed conversion.
        for (pid_t pid : ProcessList("--accept=pipe,name=" + pipe)) {
            kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(200ms);
        ASSERT_TRUE(office.Convert(request, ChildProcess::Clock::now() + 120s, error)) << error;
    }
    EXPECT_EQ(ProcessesMentioning(pipe), 0);
    fs::remove_all(dir);
}

} // namespace
