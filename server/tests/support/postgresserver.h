#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <sys/types.h>

// A private PostgreSQL server for the tests of one process: a cluster made by initdb in a
// temporary directory, reachable only through a Unix socket there, run by an unprivileged
// user when the tests run as root. Started at the first use, stopped at the end.
class PostgresServer
{
public:
    // Whether the server's programs are there; the tests that need them skip without.
    static bool Installed();
    // The process's server; nothing, with `why`, when it cannot run here.
    static PostgresServer* Shared(std::string& why);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // A new empty database; its postgresql:// address, empty when it cannot be made.
    std::string NewDatabase();
    pid_t Pid() const { return pid; }

private:
    PostgresServer() = default;
    bool Start(std::string& why);

    std::filesystem::path dir;
    pid_t pid = -1;
    int databases = 0;
};
