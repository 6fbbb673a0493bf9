// Converts ten small Word documents to PDF through the reference service with one and with
// two workers, and through a plain loop of one office process per document, and prints
// documents per minute for each; then the claim rate of the work queue alone.
#include "childprocess.h"
#include "claimrate.h"
#include "serverprocess.h"
#include "serviceclient.h"
#include "testdocuments.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDocuments = 10;

double PerMinute(int documents, Clock::duration elapsed)
{
    return documents * 60.0 / std::chrono::duration<double>(elapsed).count();
}

bool IsPdf(const std::string& bytes)
{
    return bytes.rfind("%PDF-", 0) == 0;
}

// Uploads and submits every document, polls them all, downloads each result: the way the
// client's pipeline drives the service. Nothing when a conversion failed.
std::optional<Clock::duration> ThroughService(ServiceClient& client,
                                              const std::vector<fs::path>& documents)
{
    const auto started = Clock::now();
    std::map<std::string, std::string> jobs; // task id -> job id
    for (const fs::path& document : documents) {
        const auto upload = client.Upload("word-to-pdf", document.filename().string(),
                                          TestDocuments::Read(document));
        const std::string taskId = upload.json["data"]["taskId"].asString();
        const auto submit = client.Submit(taskId, "word-to-pdf");
        if (!submit.json["data"].isObject()) {
            return std::nullopt;
        }
        jobs[taskId] = submit.json["data"]["jobId"].asString();
    }
    while (!jobs.empty()) {
        for (auto it = jobs.begin(); it != jobs.end();) {
            const auto query = client.Query(it->first, it->second);
            const std::string state = query.json["data"]["taskState"].asString();
            if (state == "WAITING" || state == "RUNNING") {
                ++it;
                continue;
            }
            const std::string url = query.json["data"]["downloadUrl"].asString();
            const auto path = url.find("/results/");
            if (state != "FINISH" || path == std::string::npos ||
                !IsPdf(client.Get(url.substr(path)).body)) {
                std::fprintf(stderr, "conversion failed: %s\n", query.body.c_str());
                return std::nullopt;
            }
            it = jobs.erase(it);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Clock::now() - started;
}

std::optional<double> ServiceRate(const fs::path& dir, int workers,
                                  const std::vector<fs::path>& documents)
{
    ServerProcess::Options options;
    options.workers = workers;
    ServerProcess server(dir / ("data-" + std::to_string(workers)), options);
    if (!server.Running()) {
        std::fprintf(stderr, "the service did not start\n");
        return std::nullopt;
    }
    ServiceClient client(server.Port());
    if (!client.SignIn("tester", "secret")) {
        return std::nullopt;
    }
    // Untimed: one pass brings every office instance up and loads its writer and PDF export.
    if (!ThroughService(client, documents)) {
        return std::nullopt;
    }
    const auto elapsed = ThroughService(client, documents);
    if (!elapsed) {
        return std::nullopt;
    }
    return PerMinute(kDocuments, *elapsed);
}

std::optional<double> LoopRate(const fs::path& dir, const std::vector<fs::path>& documents)
{
    const fs::path out = dir / "loop";
    fs::create_directories(out);
    const ChildProcess::CancelFlag never{false};
    const auto convert = [&](const fs::path& document) {
        const auto run =
            ChildProcess::Run({"soffice", "--headless", "--convert-to", "pdf", "--outdir",
                               out.string(), document.string()},
                              ChildProcess::Clock::now() + std::chrono::minutes(2), never);
        return run.exitCode == 0 &&
               IsPdf(TestDocuments::Read(out / (document.stem().string() + ".pdf")));
    };
    // Untimed: the first start only creates the office profile.
    if (!convert(documents.front())) {
        return std::nullopt;
    }
    const auto started = Clock::now();
    for (const fs::path& document : documents) {
        if (!convert(document)) {
            return std::nullopt;
        }
    }
    return PerMinute(kDocuments, Clock::now() - started);
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("bench-service-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::vector<fs::path> documents;
    for (int i = 1; i <= kDocuments; ++i) {
        const fs::path document = dir / ("document-" + std::to_string(i) + ".docx");
        TestDocuments::WriteDocx(document,
                                 {"Benchmark document " + std::to_string(i),
                                  "基准测试文档 " + std::to_string(i),
                                  "A short paragraph of ordinary text for the conversion."});
        documents.push_back(document);
    }

    const auto loop = LoopRate(dir, documents);
    const auto one = ServiceRate(dir, 1, documents);
    const auto two = ServiceRate(dir, 2, documents);
    if (!loop || !one || !two) {
        fs::remove_all(dir);
        std::fprintf(stderr, "bench_service: a conversion failed\n");
        return 1;
    }
    std::printf("%d .docx to PDF, documents per minute:\n", kDocuments);
    std::printf("  soffice --convert-to loop : %8.1f\n", *loop);
    std::printf("  service, 1 worker         : %8.1f  (%.1fx the loop)\n", *one, *one / *loop);
    std::printf("  service, 2 workers        : %8.1f  (%.1fx the loop)\n", *two, *two / *loop);
    const bool claims = MeasureClaimRate(dir);
    fs::remove_all(dir);
    return claims ? 0 : 1;
}
