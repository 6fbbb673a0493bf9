#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

// A dokora-server started from the built binary on a free loopback port with its own data
// directory; stopped with SIGTERM by the destructor.
class ServerProcess
{
public:
    struct Options
    {
        int workers = 2;
        std::vector<std::string> extraArgs;
        std::vector<std::pair<std::string, std::string>> users = {{"tester", "secret"}};
        std::filesystem::path binary; // a copy of the service's program; empty: the built one
    };

    ServerProcess(const std::filesystem::path& dataDir, const Options& options);
    ServerProcess(const std::filesystem::path& dataDir) : ServerProcess(dataDir, Options{}) {}
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool Running() const { return port > 0; }
    int Port() const { return port; }
    pid_t Pid() const { return pid; }
    std::string BaseUrl() const;
    // Sends SIGTERM and waits up to `seconds`; the exit status, or -1 when it did not end.
    int Terminate(int seconds);
    // Ends the service at once with SIGKILL, as a crash would; its own children stay.
    void Kill();

    static std::filesystem::path Binary();
    // Runs `dokora-server --data DIR --add-user NAME` with the password on its input, and
    // `extraArgs` (which may name another store).
    static int AddUser(const std::filesystem::path& dataDir, const std::string& name,
                       const std::string& password, const std::vector<std::string>& extraArgs = {});

private:
    pid_t pid = -1;
    int port = -1;
};
