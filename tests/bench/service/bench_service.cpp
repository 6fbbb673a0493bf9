// Converts ten small Word documents to PDF through the reference service with one and with
// two workers, and through a plain loop of one office process per document, and prints
// documents per minute for each. Then scales out: a batch of multi-page documents through one
// instance with one worker against two such instances over one PostgreSQL store and one
// shared directory, dealt to them in turn as a round-robin balancer would, with the ratio;
// and the claim rate of the work queue alone.
#include "childprocess.h"
#include "claimrate.h"
#include "postgresserver.h"
#include "serverprocess.h"
#include "serviceclient.h"
#include "testdocuments.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDocuments = 10;
constexpr int kBatch = 12;

double PerMinute(int documents, Clock::duration elapsed)
{
    return documents * 60.0 / std::chrono::duration<double>(elapsed).count();
}

bool IsPdf(const std::string& bytes)
{
    return bytes.rfind("%PDF-", 0) == 0;
}

// Uploads and submits every document, polls them all, downloads each result: the way the
// client's pipeline drives the service. Document i goes through instance i modulo their
// number. Nothing when a conversion failed.
std::optional<Clock::duration> ThroughService(const std::vector<ServiceClient*>& clients,
                                              const std::vector<fs::path>& documents)
{
    struct Job
    {
        ServiceClient* client;
        std::string taskId;
        std::string jobId;
    };
    const auto started = Clock::now();
    std::vector<Job> jobs;
    for (std::size_t i = 0; i < documents.size(); ++i) {
        ServiceClient& client = *clients[i % clients.size()];
        const auto upload = client.Upload("word-to-pdf", documents[i].filename().string(),
                                          TestDocuments::Read(documents[i]));
        const std::string taskId = upload.json["data"]["taskId"].asString();
        const auto submit = client.Submit(taskId, "word-to-pdf");
        if (!submit.json["data"].isObject()) {
            return std::nullopt;
        }
        jobs.push_back({&client, taskId, submit.json["data"]["jobId"].asString()});
    }
    while (!jobs.empty()) {
        for (auto it = jobs.begin(); it != jobs.end();) {
            const auto query = it->client->Query(it->taskId, it->jobId);
            const std::string state = query.json["data"]["taskState"].asString();
            if (state == "WAITING" || state == "RUNNING") {
                ++it;
                continue;
            }
            const std::string url = query.json["data"]["downloadUrl"].asString();
            const auto path = url.find("/results/");
            if (state != "FINISH" || path == std::string::npos ||
                !IsPdf(it->client->Get(url.substr(path)).body)) {
                std::fprintf(stderr, "conversion failed: %s\n", query.body.c_str());
                return std::nullopt;
            }
            it = jobs.erase(it);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Clock::now() - started;
}

enum class Store
{
    Embedded,
    Postgres, // a new database of the process's private server
};

// `instances` services with `workers` workers each, on one shared directory and one store;
// documents per minute of the second pass (the first brings every office instance up).
std::optional<double> ServiceRate(const fs::path& dir, int instances, int workers,
                                  const std::vector<fs::path>& documents, Store store)
{
    const std::string name = std::to_string(instances) + "x" + std::to_string(workers);
    ServerProcess::Options options;
    options.workers = workers;
    options.extraArgs = {"--shared", (dir / ("shared-" + name)).string()};
    if (store == Store::Postgres) {
        std::string why;
        PostgresServer* postgres = PostgresServer::Shared(why);
        if (!postgres) {
            std::fprintf(stderr, "bench_service: %s\n", why.c_str());
            return std::nullopt;
        }
        options.extraArgs.insert(options.extraArgs.end(), {"--database", postgres->NewDatabase()});
    }
    std::vector<std::unique_ptr<ServerProcess>> servers;
    std::vector<std::unique_ptr<ServiceClient>> clients;
    std::vector<ServiceClient*> dealt;
    for (int i = 0; i < instances; ++i) {
        servers.push_back(std::make_unique<ServerProcess>(
            dir / ("data-" + name + "-" + std::to_string(i)), options));
        if (!servers.back()->Running()) {
            std::fprintf(stderr, "the service did not start\n");
            return std::nullopt;
        }
        options.users.clear(); // the first instance added it for all
        clients.push_back(std::make_unique<ServiceClient>(servers.back()->Port()));
        if (!clients.back()->SignIn("tester", "secret")) {
            return std::nullopt;
        }
        dealt.push_back(clients.back().get());
    }
    if (!ThroughService(dealt, documents)) {
        return std::nullopt;
    }
    const auto elapsed = ThroughService(dealt, documents);
    if (!elapsed) {
        return std::nullopt;
    }
    return PerMinute(static_cast<int>(documents.size()), *elapsed);
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

std::vector<fs::path> WriteDocuments(const fs::path& dir, const std::string& stem, int count,
                                     int extraParagraphs)
{
    std::vector<fs::path> documents;
    for (int i = 1; i <= count; ++i) {
        const fs::path document = dir / (stem + "-" + std::to_string(i) + ".docx");
        std::vector<std::string> paragraphs = {
            "Benchmark document " + std::to_string(i), "基准测试文档 " + std::to_string(i),
            "A short paragraph of ordinary text for the conversion."};
        paragraphs.resize(paragraphs.size() + extraParagraphs,
                          "A longer paragraph of ordinary text, repeated so that the document "
                          "fills several pages once it is laid out for the conversion.");
        TestDocuments::WriteDocx(document, paragraphs);
        documents.push_back(document);
    }
    return documents;
}

} // namespace

int main()
{
    const fs::path dir = fs::temp_directory_path() / ("bench-service-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const auto documents = WriteDocuments(dir, "document", kDocuments, 0);
    // About ten pages each.
    const auto batch = WriteDocuments(dir, "long", kBatch, 400);

    const auto loop = LoopRate(dir, documents);
    const auto one = ServiceRate(dir, 1, 1, documents, Store::Embedded);
    const auto two = ServiceRate(dir, 1, 2, documents, Store::Embedded);
    const auto single = ServiceRate(dir, 1, 1, batch, Store::Postgres);
    const auto pair = ServiceRate(dir, 2, 1, batch, Store::Postgres);
    if (!loop || !one || !two || !single || !pair) {
        fs::remove_all(dir);
        std::fprintf(stderr, "bench_service: a conversion failed\n");
        return 1;
    }
    std::printf("%d .docx to PDF, documents per minute:\n", kDocuments);
    std::printf("  soffice --convert-to loop : %8.1f\n", *loop);
    std::printf("  service, 1 worker         : %8.1f  (%.1fx the loop)\n", *one, *one / *loop);
    std::printf("  service, 2 workers        : %8.1f  (%.1fx the loop)\n", *two, *two / *loop);
    std::printf("%d multi-page .docx to PDF, scale-out over PostgreSQL, documents per minute:\n",
                kBatch);
    std::printf("  1 instance x 1 worker     : %8.1f\n", *single);
    std::printf("  2 instances x 1 worker    : %8.1f  (%.2fx one instance)\n", *pair,
                *pair / *single);
    const bool claims = MeasureClaimRate(dir);
    fs::remove_all(dir);
    return claims ? 0 : 1;
}
