#include "serveroptions.h"

#include <charconv>
#include <thread>

const char* const kUsage =
    "usage: dokora-server --data DIR [--port N] [--listen ADDR] [--workers N]\n"
    "                     [--token-lifetime SECONDS] [--time-limit SECONDS]\n"
    "                     [--read-timeout SECONDS] [--quota-mib N] [--memory-limit-mib N]\n"
    "                     [--connections-per-address N] [--public-url URL]\n"
    "                     [--shared DIR] [--queue-limit N] [--total-queue-limit N]\n"
    "                     [--stop-grace SECONDS]\n"
    "                     [--database postgresql://...] [--lease SECONDS]\n"
    "       dokora-server --data DIR --add-user NAME   (password read from standard input)\n"
    "\n"
    "Serves the conversion API on http://ADDR:PORT (127.0.0.1:8780 by default; port 0 takes\n"
    "a free port). Workers default to one per processor core; the time limit (120 s) ends a\n"
    "single conversion. A request's head (and a body on routes other than the upload) must\n"
    "arrive within the read time-out (30 s). Each user may keep 1024 MiB of uploads and\n"
    "results (0: no limit); each converter process may use 2048 MiB of memory; one address\n"
    "may hold 32 connections. The public URL (http://ADDR:PORT by default) is where clients\n"
    "reach the service; the addresses it hands out start with it. The desktop client's\n"
    "sign-in address must be the public URL followed by /shiro-cas.\n"
    "\n"
    "Uploads and results are kept under the shared directory (the data directory by default),\n"
    "which every instance of one service must see; office profiles and work files stay in\n"
    "the data directory. A submit is refused with 429 while 100 tasks are queued in this\n"
    "instance or 1000 wait in all (0: no limit). On SIGTERM the service takes no more tasks,\n"
    "gives those under way the stop grace (10 s) to finish and puts the rest back in the\n"
    "queue.\n"
    "\n"
    "State is kept in SQLite in the data directory, or with --database in PostgreSQL, which\n"
    "any number of instances may share; an instance that stops renewing its tasks' leases\n"
    "(30 s) loses them to the others.\n";

namespace {

std::optional<long long> Number(const std::string& text, long long low, long long high)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<ServerOptions> ParseOptions(const std::vector<std::string>& args, std::string& error)
{
    ServerOptions options;
    options.workers = std::max(1u, std::thread::hardware_concurrency());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            error.clear();
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = "unknown option or missing value: " + arg;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        auto number = [&](long long low, long long high) {
            const auto parsed = Number(value, low, high);
            if (!parsed) {
                error = arg + " needs a number from " + std::to_string(low) + " to " +
                        std::to_string(high);
            }
            return parsed;
        };
        if (arg == "--data") {
            options.dataDir = value;
        } else if (arg == "--shared") {
            options.sharedDir = value;
        } else if (arg == "--listen") {
            options.listen = value;
        } else if (arg == "--public-url") {
            if (!value.starts_with("http://") && !value.starts_with("https://")) {
                error = "--public-url needs an http:// or https:// address";
                return std::nullopt;
            }
            options.publicUrl = value;
            while (options.publicUrl.ends_with('/')) {
                options.publicUrl.pop_back();
            }
        } else if (arg == "--database") {
            if (!value.starts_with("postgresql://") && !value.starts_with("postgres://")) {
                error = "--database needs a postgresql:// address";
                return std::nullopt;
            }
            options.database = value;
        } else if (arg == "--lease") {
            const auto seconds = number(1, 3600);
            if (!seconds) {
                return std::nullopt;
            }
            options.lease = std::chrono::seconds(*seconds);
        } else if (arg == "--add-user") {
            options.addUser = value;
        } else if (arg == "--port") {
            const auto port = number(0, 65535);
            if (!port) {
                return std::nullopt;
            }
            options.port = static_cast<int>(*port);
        } else if (arg == "--workers") {
            const auto workers = number(1, 64);
            if (!workers) {
                return std::nullopt;
            }
            options.workers = static_cast<std::size_t>(*workers);
        } else if (arg == "--token-lifetime") {
            const auto seconds = number(1, 365ll * 24 * 3600);
            if (!seconds) {
                return std::nullopt;
            }
            options.tokenLifetime = std::chrono::seconds(*seconds);
        } else if (arg == "--time-limit") {
            const auto seconds = number(1, 24 * 3600);
            if (!seconds) {
                return std::nullopt;
            }
            options.timeLimit = std::chrono::seconds(*seconds);
        } else if (arg == "--read-timeout") {
            const auto seconds = number(1, 3600);
            if (!seconds) {
                return std::nullopt;
            }
            options.readTimeout = std::chrono::seconds(*seconds);
        } else if (arg == "--quota-mib") {
            const auto mebibytes = number(0, 1ll << 30);
            if (!mebibytes) {
                return std::nullopt;
            }
            options.userQuota = static_cast<std::uint64_t>(*mebibytes) << 20;
        } else if (arg == "--memory-limit-mib") {
            const auto mebibytes = number(64, 1ll << 20);
            if (!mebibytes) {
                return std::nullopt;
            }
            options.memoryLimit = static_cast<std::uint64_t>(*mebibytes) << 20;
        } else if (arg == "--connections-per-address") {
            const auto connections = number(1, 4096);
            if (!connections) {
                return std::nullopt;
            }
            options.connectionsPerAddress = static_cast<std::size_t>(*connections);
        } else if (arg == "--queue-limit" || arg == "--total-queue-limit") {
            const auto tasks = number(0, 1000000);
            if (!tasks) {
                return std::nullopt;
            }
            (arg == "--queue-limit" ? options.queueLimit : options.totalQueueLimit) =
                static_cast<std::size_t>(*tasks);
        } else if (arg == "--stop-grace") {
            const auto seconds = number(0, 3600);
            if (!seconds) {
                return std::nullopt;
            }
            options.stopGrace = std::chrono::seconds(*seconds);
        } else {
            error = "unknown option: " + arg;
            return std::nullopt;
        }
    }
    if (options.dataDir.empty()) {
        error = "--data DIR is required";
        return std::nullopt;
    }
    // Office profiles and documents are addressed by file URLs, which must be absolute.
    if (options.sharedDir.empty()) {
        options.sharedDir = options.dataDir;
    }
    for (auto [path, name] :
         {std::pair{&options.dataDir, "--data"}, std::pair{&options.sharedDir, "--shared"}}) {
        std::error_code absoluteError;
        *path = std::filesystem::absolute(*path, absoluteError).lexically_normal();
        if (absoluteError) {
            error = std::string("cannot resolve ") + name + " " + path->string();
            return std::nullopt;
        }
    }
    return options;
}
