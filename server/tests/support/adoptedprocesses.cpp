#include "adoptedprocesses.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace AdoptedProcesses {

std::vector<pid_t> Children()
{
    std::vector<pid_t> children;
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", code)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the name may hold blanks and parentheses.
        const auto close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent == getpid()) {
            children.push_back(std::stoi(name));
        }
    }
    return children;
}

std::size_t ReapEnded()
{
    std::size_t alive = 0;
    for (pid_t child : Children()) {
        if (waitpid(child, nullptr, WNOHANG) != child) {
            ++alive;
        }
    }
    return alive;
}

void EndAll(const std::vector<pid_t>& keep)
{
    for (int round = 0; round < 50; ++round) {
        auto children = Children();
        std::erase_if(children, [&](pid_t child) {
            return std::find(keep.begin(), keep.end(), child) != keep.end();
        });
        if (children.empty()) {
            return;
        }
        for (pid_t child : children) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
}

} // namespace AdoptedProcesses
