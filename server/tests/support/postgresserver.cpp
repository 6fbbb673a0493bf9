#include "postgresserver.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The newest installed server's programs.
fs::path ServerPrograms()
{
    std::vector<fs::path> found;
    std::error_code code;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", code)) {
        if (fs::exists(entry.path() / "bin" / "initdb")) {
            found.push_back(entry.path() / "bin");
        }
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        return std::atoi(a.parent_path().filename().c_str()) <
               std::atoi(b.parent_path().filename().c_str());
    });
    return found.empty() ? fs::path() : found.back();
}

// Runs `argv` as `user` (when set) with its output discarded; the child's pid.
pid_t Spawn(const std::vector<std::string>& argv, const passwd* user)
{
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (user && (setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)) {
            _exit(126);
        }
        // A test process that dies takes its server along.
        prctl(PR_SET_PDEATHSIG, SIGINT);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status)
                                                                           : -1;
}

} // namespace

bool PostgresServer::Installed()
{
    return !ServerPrograms().empty();
}

PostgresServer* PostgresServer::Shared(std::string& why)
{
    static std::unique_ptr<PostgresServer> server;
    static std::string failure;
    if (!server && failure.empty()) {
        std::unique_ptr<PostgresServer> started(new PostgresServer);
        if (started->Start(failure)) {
            server = std::move(started);
        }
    }
    why = failure;
    return server.get();
}

bool PostgresServer::Start(std::string& why)
{
    const fs::path programs = ServerPrograms();
    if (programs.empty()) {
        why = "the PostgreSQL server programs are not installed (scripts/install-deps.sh)";
        return false;
    }
    // The server refuses to run as root.
    const passwd* user = geteuid() == 0 ? getpwnam("postgres") : nullptr;
    if (geteuid() == 0 && !user) {
        user = getpwnam("nobody");
    }
    if (geteuid() == 0 && !user) {
        why = "running as root and no unprivileged user to run PostgreSQL";
        return false;
    }
    // Short, for the socket's path.
    char pattern[] = "/tmp/dokora-pg.XXXXXX";
    if (!mkdtemp(pattern)) {
        why = "cannot create a directory for PostgreSQL";
        return false;
    }
    dir = pattern;
    if (user && chown(dir.c_str(), user->pw_uid, user->pw_gid) != 0) {
        why = "cannot give the PostgreSQL directory to its user";
        return false;
    }
    const std::string data = (dir / "data").string();
    if (Wait(Spawn({(programs / "initdb").string(), "-D", data, "-A", "trust", "-U", "dokora", "-E",
                    "UTF8", "--no-sync", "--no-instructions"},
                   user)) != 0) {
        why = "initdb failed";
        return false;
    }
    pid = Spawn({(programs / "postgres").string(), "-D", data, "-k", dir.string(), "-c",
                 "listen_addresses=", "-c", "fsync=off", "-c", "full_page_writes=off", "-c",
                 "max_connections=200"},
                user);
    const std::string admin = "postgresql:///postgres?host=" + dir.string() + "&user=dokora";
    for (int i = 0; i < 300; ++i) {
        if (PQping(admin.c_str()) == PQPING_OK) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    why = "PostgreSQL did not start";
    return false;
}

PostgresServer::~PostgresServer()
{
    if (pid > 0) {
        kill(pid, SIGINT); // fast shutdown
        Wait(pid);
    }
    std::error_code code;
    if (!dir.empty()) {
        fs::remove_all(dir, code);
    }
}

std::string PostgresServer::NewDatabase()
{
    const std::string name = "test" + std::to_string(++databases);
    const std::string admin = "postgresql:///postgres?host=" + dir.string() + "&user=dokora";
    PGconn* connection = PQconnectdb(admin.c_str());
    PGresult* created = PQexec(connection, ("CREATE DATABASE " + name).c_str());
    const bool ok = PQresultStatus(created) == PGRES_COMMAND_OK;
    PQclear(created);
    PQfinish(connection);
    return ok ? "postgresql:///" + name + "?host=" + dir.string() + "&user=dokora" : "";
}
