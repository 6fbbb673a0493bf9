#include "officeinstance.h"

#include <json/json.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

extern const unsigned char dokora_office_bridge[];
extern const std::size_t dokora_office_bridge_size;

namespace {

constexpr const char* kOfficeProgram = "/usr/lib/libreoffice/program/soffice.bin";
constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kStartLimit = std::chrono::seconds(120);
// The office program exits with this code after it created a fresh profile.
constexpr int kRestartRequested = 81;

std::string FileUrl(const std::filesystem::path& path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace

OfficeInstance::OfficeInstance(std::filesystem::path profile, std::string name,
                               const ChildProcess::CancelFlag& cancel, Confinement confinement)
    : profile(std::move(profile)), pipeName(std::move(name)), cancel(cancel),
      confinement(std::move(confinement))
{
}

OfficeInstance::~OfficeInstance()
{
    Stop();
}

bool OfficeInstance::SpawnOffice()
{
    const std::vector<std::string> argv = {kOfficeProgram,
                                           "--headless",
                                           "--invisible",
                                           "--nologo",
                                           "--norestore",
                                           "--nodefault",
                                           "--nolockcheck",
                                           "--nofirststartwizard",
                                           "-env:UserInstallation=" + FileUrl(profile),
                                           "--accept=pipe,name=" + pipeName + ";urp;"};
    auto office = ChildProcess::Spawn(argv, 0, false, confinement, false);
    if (!office) {
        return false;
    }
    officePid = office->pid;
    return true;
}

bool OfficeInstance::Start(std::string& error)
{
    if (bridgePid > 0) {
        return true;
    }
    std::error_code ignored;
    std::filesystem::create_directories(profile, ignored);
    if (!SpawnOffice()) {
        error = "the office program cannot be started";
        return false;
    }
    const std::string script(reinterpret_cast<const char*>(dokora_office_bridge),
                             dokora_office_bridge_size);
    auto bridge = ChildProcess::Spawn({kPython, "-c", script, pipeName}, officePid, true);
    if (!bridge) {
        Stop();
        error = "the office bridge cannot be started";
        return false;
    }
    bridgePid = bridge->pid;
    bridgeGroup = officePid;
    toBridge = bridge->pipes.stdinWrite;
    fromBridge = bridge->pipes.stdoutRead;
    pending.clear();
    conversions = 0;

    const auto deadline = ChildProcess::Clock::now() + kStartLimit;
    std::string line;
    for (;;) {
        bool timedOut = false;
        const auto slice =
            std::min(deadline, ChildProcess::Clock::now() + std::chrono::milliseconds(200));
        if (ChildProcess::ReadLine(fromBridge, pending, line, slice, cancel, timedOut)) {
            if (line == "READY") {
                ++starts;
                return true;
            }
            continue; // diagnostics of the bridge before it is ready
        }
        if (!timedOut || cancel.load() || ChildProcess::Clock::now() >= deadline) {
            break;
        }
        int status = 0;
        if (waitpid(officePid, &status, WNOHANG) == officePid) {
            officePid = -1;
            // The first start only creates the profile; the bridge keeps waiting for the
            // second one.
            if (!WIFEXITED(status) || WEXITSTATUS(status) != kRestartRequested || !SpawnOffice()) {
                break;
            }
        }
    }
    Stop();
    error = "the office program did not come up";
    return false;
}

bool OfficeInstance::Convert(const Request& request, ChildProcess::Clock::time_point deadline,
                             std::string& error)
{
    if (conversions >= kConversionsPerStart || OfficeEnded()) {
        Stop();
    }
    if (!Start(error)) {
        return false;
    }
    Json::Value message;
    message["input"] = request.input.string();
    message["output"] = request.output.string();
    message["exportFilter"] = request.exportFilter;
    message["importFilter"] = request.importFilter;
    message["importOptions"] = request.importOptions;
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    ++conversions;
    if (!WriteAll(toBridge, Json::writeString(writer, message) + "\n")) {
        Stop();
        error = "the office program stopped";
        return false;
    }
    std::string reply;
    bool timedOut = false;
    if (!ChildProcess::ReadLine(fromBridge, pending, reply, deadline, cancel, timedOut)) {
        Stop();
        error = timedOut ? "the conversion took too long and was stopped"
                         : "the office program stopped during the conversion" + MemoryNote();
        return false;
    }
    if (reply == "OK") {
        return true;
    }
    error = reply.rfind("ERR ", 0) == 0 ? reply.substr(4) : reply;
    if (OfficeEnded()) {
        Stop(); // it crashed on this document; the next one gets a new instance
    }
    return false;
}

std::string OfficeInstance::MemoryNote() const
{
    if (confinement.memoryLimit == 0) {
        return "";
    }
    return " (it may have run out of memory: the limit is " +
           std::to_string(confinement.memoryLimit >> 20) + " MiB per converter)";
}

bool OfficeInstance::OfficeEnded()
{
    if (officePid > 0 && waitpid(officePid, nullptr, WNOHANG) == officePid) {
        officePid = -1;
        return true;
    }
    return false;
}

void OfficeInstance::Stop()
{
    if (toBridge >= 0) {
        close(toBridge);
        toBridge = -1;
    }
    if (fromBridge >= 0) {
        close(fromBridge);
        fromBridge = -1;
    }
    if (bridgePid > 0) {
        ChildProcess::KillGroup(bridgeGroup, bridgePid);
    }
    if (officePid > 0) {
        ChildProcess::KillGroup(officePid, officePid);
    }
    bridgePid = -1;
    bridgeGroup = -1;
    officePid = -1;
}
