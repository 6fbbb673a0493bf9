#include "accountstore.h"
#include "conversionservice.h"
#include "gatedserver.h"
#include "pgstore.h"
#include "routes.h"
#include "serveroptions.h"
#include "sessionstore.h"
#include "sqlitestore.h"
#include "sweeper.h"
#include "taskstore.h"
#include "uploadreceiver.h"

#include <httplib.h>

#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef DOKORA_SERVER_VERSION
#error "DOKORA_SERVER_VERSION must be defined by the build"
#endif

namespace {

int AddUser(AccountStore& accounts, const std::string& name)
{
    std::string password;
    if (!std::getline(std::cin, password) || password.empty()) {
        std::cerr << "dokora-server: no password on standard input\n";
        return 1;
    }
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    std::string error;
    const auto added = accounts.SetPassword(name, password, error);
    if (!added) {
        std::cerr << "dokora-server: " << error << "\n";
        return 1;
    }
    std::cout << (*added ? "added user " : "changed the password of ") << name << "\n";
    return 0;
}

// One service per directory of its own: over an embedded store a second one would take the
// first one's running tasks for interrupted ones. The lock lasts as long as the process.
bool LockDirectory(const std::filesystem::path& dir)
{
    const int fd = open((dir / "service.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// The directories of instances that ended without removing theirs (killed ones) hold
// nothing of use; a running instance holds the lock in its own.
void RemoveEndedInstances(const std::filesystem::path& dataDir)
{
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir, code)) {
        if (!entry.path().filename().string().starts_with("instance-")) {
            continue;
        }
        const int fd = open((entry.path() / "service.lock").c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::filesystem::remove_all(entry.path(), code);
        }
        if (fd >= 0) {
            close(fd);
        }
    }
}

std::string HostForUrl(const std::string& address)
{
    return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

int Serve(const ServerOptions& options, ServiceStore& store, AccountStore& accounts)
{
    // Signals are taken by one thread only; every other thread starts with them blocked.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // A shared store hands out each task to one instance; an embedded one belongs to one.
    // Instances sharing the data directory keep their office profiles and work files apart.
    const std::filesystem::path localRoot =
        store.Shared() ? options.dataDir / ("instance-" + std::to_string(getpid()))
                       : options.dataDir;
    if (store.Shared()) {
        RemoveEndedInstances(options.dataDir);
    }
    std::error_code ignored;
    std::filesystem::create_directories(localRoot, ignored);
    if (!LockDirectory(localRoot)) {
        std::cerr << "dokora-server: another service uses " << options.dataDir << "\n";
        return 1;
    }
    TaskStore tasks(store, options.sharedDir / "tasks");
    std::string error;
    if (!tasks.Resume(error)) {
        std::cerr << "dokora-server: " << error << "\n";
        return 1;
    }
    SessionStore sessions(store, {.token = options.tokenLifetime});
    // Work files of an earlier run are of no use.
    std::filesystem::remove_all(localRoot / "work", ignored);
    ConversionService conversions(tasks, localRoot / "office", localRoot / "work",
                                  {.workers = options.workers,
                                   .timeLimit = options.timeLimit,
                                   .memoryLimit = options.memoryLimit,
                                   .lease = options.lease});

    GatedServer::Limits limits;
    limits.requestTime = options.readTimeout;
    limits.connectionsPerAddress = options.connectionsPerAddress;
    limits.rules.streamingPaths = {TaskRoutes::kUploadPath};
    GatedServer server(limits);
    server.set_payload_max_length(UploadReceiver::kMaxUpload + (1u << 20));
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            const std::string message =
                response.status == 413 ? TextOf(UploadError::TooLarge) : "request refused";
            response.set_content("{\"ret\":" + std::to_string(response.status) + ",\"msg\":\"" +
                                     message + "\"}",
                                 "application/json; charset=utf-8");
        }
    });

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port(options.listen);
    } else if (!server.bind_to_port(options.listen, port)) {
        port = -1;
    }
    if (port <= 0) {
        std::cerr << "dokora-server: cannot listen on " << options.listen << ":" << options.port
                  << "\n";
        return 1;
    }
    server.WidenBacklog();
    const std::string publicUrl =
        options.publicUrl.empty()
            ? "http://" + HostForUrl(options.listen) + ":" + std::to_string(port)
            : options.publicUrl;
    Routes routes(accounts, sessions, tasks, conversions,
                  {.updateDir = options.dataDir / "update",
                   .version = DOKORA_SERVER_VERSION,
                   .userQuota = options.userQuota,
                   .publicUrl = publicUrl,
                   .queueLimit = options.queueLimit,
                   .totalQueueLimit = options.totalQueueLimit,
                   .clientService = publicUrl + "/shiro-cas",
                   .tools = {.workers = options.workers,
                             .time = options.timeLimit,
                             .memory = options.memoryLimit,
                             .workRoot = localRoot / "tools"}});
    routes.Register(server);
    if (options.publicUrl.empty() && (options.listen == "0.0.0.0" || options.listen == "::")) {
        std::cerr << "dokora-server: listening on every address; give --public-url so that "
                     "clients get addresses they can reach\n";
    }
    std::cout << "listening on http://" << options.listen << ":" << port << std::endl;

    std::thread signalWaiter([&server, signals] {
        int received = 0;
        sigwait(&signals, &received);
        server.stop();
    });
    {
        Sweeper sweeper(std::chrono::minutes(10), [&tasks, &sessions] {
            if (const auto removed = tasks.Sweep(tasks.Now())) {
                std::cerr << "removed " << removed << " expired tasks\n";
            }
            sessions.Sweep();
        });
        server.listen_after_bind();
    }
    pthread_kill(signalWaiter.native_handle(), SIGTERM); // no-op when a signal already came
    signalWaiter.join();
    server.StopGate();
    conversions.Shutdown(options.stopGrace);
    if (store.Shared()) {
        std::error_code code;
        std::filesystem::remove_all(localRoot, code);
    }
    std::cerr << "dokora-server: stopped\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = ParseOptions({argv + 1, argv + argc}, error);
    if (!options) {
        (error.empty() ? std::cout : std::cerr)
            << (error.empty() ? "" : "dokora-server: " + error + "\n") << kUsage;
        return error.empty() ? 0 : 2;
    }
    std::error_code code;
    std::filesystem::create_directories(options->dataDir, code);
    if (code || chmod(options->dataDir.c_str(), 0700) != 0) {
        std::cerr << "dokora-server: cannot use the data directory " << options->dataDir << "\n";
        return 1;
    }
    const std::unique_ptr<ServiceStore> store =
        options->database.empty()
            ? std::unique_ptr<ServiceStore>(
                  SqliteStore::Open(options->dataDir / "service.db", error))
            : std::unique_ptr<ServiceStore>(PgStore::Open(options->database, error));
    if (!store) {
        std::cerr << "dokora-server: " << error << "\n";
        return 1;
    }
    AccountStore accounts(*store);
    if (!accounts.ImportFile(options->dataDir / "accounts", error)) {
        std::cerr << "dokora-server: " << error << "\n";
        return 1;
    }
    return options->addUser ? AddUser(accounts, *options->addUser)
                            : Serve(*options, *store, accounts);
}
