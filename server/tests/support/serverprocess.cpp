#include "serverprocess.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

pid_t SpawnWithPipes(const std::vector<std::string>& argv, int* toChild, int* fromChild)
{
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    *toChild = in[1];
    *fromChild = out[0];
    return pid;
}

} // namespace

std::filesystem::path ServerProcess::Binary()
{
    // DOKORA_SERVER runs the tests against another build of the service.
    const char* other = std::getenv("DOKORA_SERVER");
    return other != nullptr && *other != '\0' ? other : DOKORA_SERVER_BINARY;
}

int ServerProcess::AddUser(const std::filesystem::path& dataDir, const std::string& name,
                           const std::string& password, const std::vector<std::string>& extraArgs)
{
    int toChild = -1;
    int fromChild = -1;
    std::vector<std::string> argv = {Binary().string(), "--data", dataDir.string(), "--add-user",
                                     name};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    const pid_t child = SpawnWithPipes(argv, &toChild, &fromChild);
    if (child < 0) {
        return -1;
    }
    const std::string line = password + "\n";
    [[maybe_unused]] const auto written = write(toChild, line.data(), line.size());
    close(toChild);
    char buffer[256];
    while (read(fromChild, buffer, sizeof buffer) > 0) {
    }
    close(fromChild);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ServerProcess::ServerProcess(const std::filesystem::path& dataDir, const Options& options)
{
    for (const auto& [name, password] : options.users) {
        if (AddUser(dataDir, name, password, options.extraArgs) != 0) {
            return;
        }
    }
    std::vector<std::string> argv = {(options.binary.empty() ? Binary() : options.binary).string(),
                                     "--data",
                                     dataDir.string(),
                                     "--port",
                                     "0",
                                     "--workers",
                                     std::to_string(options.workers)};
    argv.insert(argv.end(), options.extraArgs.begin(), options.extraArgs.end());
    int toChild = -1;
    int fromChild = -1;
    pid = SpawnWithPipes(argv, &toChild, &fromChild);
    close(toChild);
    if (pid < 0) {
        return;
    }
    std::string line;
    char c = 0;
    while (read(fromChild, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    close(fromChild);
    const auto colon = line.rfind(':');
    if (line.rfind("listening on http://", 0) == 0 && colon != std::string::npos) {
        port = std::atoi(line.c_str() + colon + 1);
    }
}

ServerProcess::~ServerProcess()
{
    Terminate(30);
}

std::string ServerProcess::BaseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(port);
}

void ServerProcess::Kill()
{
    if (pid < 0) {
        return;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
    port = -1;
}

int ServerProcess::Terminate(int seconds)
{
    if (pid < 0) {
        return -1;
    }
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid = -1;
    port = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
