#include "account/accountlibrary.h"
#include "account/tokensession.h"
#include "adapter/recordfiles.h"
#include "adapter/recordlist.h"
#include "app/convertconsole.h"
#include "app/convertoptions.h"
#include "app/convertsignin.h"
#include "settings/clientinfo.h"
#include "settings/servicelocations.h"
#include "settings/settingsfiles.h"
#include "settings/startupsettings.h"
#include "task/catalogue.h"
#include "task/conversionlist.h"
#include "task/conversionpipeline.h"
#include "task/fileadmission.h"
#include "tiles/filetypes.h"
#include "tiles/functiondispatch.h"
#include "utility/stringtable.h"
#include "utility/tc_http.h"

#include <dokora_version.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace {

constexpr const char* kUserAgent = "Dokora-Convert/" DOKORA_VERSION;
constexpr std::uint32_t kStopWaitMs = 2000;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int)
{
    interrupted = 1;
}

// Ctrl-C and a termination request stop the run, so the stages clean up what they started.
void CatchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

// The folder the results go to, created when missing; a message when it cannot take them.
std::optional<std::string> PrepareOutputFolder(const std::string& dir)
{
    std::error_code error;
    if (std::filesystem::exists(dir, error) && !std::filesystem::is_directory(dir, error))
        return "output folder " + dir + " exists and is not a folder";
    std::filesystem::create_directories(dir, error);
    if (error)
        return "cannot create output folder " + dir + ": " + error.message();
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        return "cannot write to output folder " + dir;
    return std::nullopt;
}

int Fail(const std::string& message, int status = 2)
{
    std::fprintf(stderr, "dokora-convert: %s\n", message.c_str());
    return status;
}

// Files the function accepts, made absolute; the others are reported and skipped.
std::vector<std::string> AcceptedFiles(const ConvertOptions& options, bool& allAccepted)
{
    const auto extensions = ExtensionsForFunction(options.function);
    std::vector<std::string> accepted;
    allAccepted = true;
    for (const std::string& file : options.files) {
        std::error_code error;
        const std::string absolute = std::filesystem::absolute(file, error).lexically_normal();
        if (!std::filesystem::is_regular_file(absolute, error)) {
            std::fprintf(stderr, "dokora-convert: %s: %s\n", file.c_str(),
                         StringTable::Resolve("@string/str_msgbox_file_missing").c_str());
            allAccepted = false;
        } else if (std::find(extensions.begin(), extensions.end(), FileExtension(file)) ==
                   extensions.end()) {
            std::fprintf(stderr, "dokora-convert: %s: %s cannot convert this type of file\n",
                         file.c_str(), options.function.c_str());
            allAccepted = false;
        } else {
            accepted.push_back(absolute);
        }
    }
    return accepted;
}

} // namespace

int main(int argc, char** argv)
{
    ConvertOptionsError optionsError;
    const auto options = ParseConvertOptions(argc, argv, optionsError);
    if (!options) {
        std::fprintf(stderr, "dokora-convert: %s\n\n%s", optionsError.message.c_str(),
                     ConvertUsage());
        return 2;
    }
    if (options->help) {
        std::fputs(ConvertUsage(), stdout);
        return 0;
    }
    if (DispatchFor(options->function).action != FunctionAction::Conversion ||
        GetTaskName(options->function).empty() || ExtensionsForFunction(options->function).empty())
        return Fail("unknown conversion function " + options->function);
    ClientInfoRecord clientInfo;
    if (const auto failure = LoadStartupSettings(clientInfo, DefaultStartupSources()))
        return Fail(failure->message);
    const ServiceLocations locations = ReadServiceLocations(ConfigIniPath());
    TC_HTTP::Init(kUserAgent);

    bool allAccepted = true;
    const auto files = AcceptedFiles(*options, allAccepted);
    ConversionList list;
    list.SetFunctionName(options->function);
    for (const auto& notice : AdmitFiles(list.Store(), options->function, files, false))
        std::fprintf(stderr, "dokora-convert: %s: %s\n", notice.path.c_str(),
                     StringTable::Resolve(notice.TextKey()).c_str());
    ConversionStore& store = list.Store();
    if (store.GetCount(options->function) == 0)
        return Fail("no file to convert");
    allAccepted =
        allAccepted && store.GetCount(options->function) == static_cast<int>(options->files.size());

    if (!options->outDir.empty())
        if (const auto problem = PrepareOutputFolder(options->outDir))
            return Fail(*problem);

    // The plug-in is never unloaded and keeps the holder as its callbacks' context.
    static AccountLibrary* const account = new AccountLibrary;
    std::string signInError;
    const auto session =
        SignInForConversion(*options, *account, locations, clientInfo.Get().wua, signInError);
    if (!session)
        return Fail(signInError);

    store.SetOutputPaths(options->function, options->outDir, GetResultSuffix(options->function),
                         options->outDir.empty());
    store.SetAllStatus(options->function, ConversionStatus::Queued);

    RecordList completed(RecordKind::Completed);
    completed.Load(RecordFileLocation(RecordKind::Completed));
    ConsoleMessages messages;
    ConversionPipeline pipeline;
    pipeline.Wire({&messages, &list, &completed, ServiceAccess(locations.api, session.get()),
                   &clientInfo, static_cast<std::uint32_t>(locations.pollInterval.count()),
                   options->timeout});
    CatchInterrupts();
    pipeline.Start();

    const bool showProgress = !options->json && isatty(STDOUT_FILENO);
    ProgressView view;
    while (pipeline.IsRunning()) {
        if (interrupted)
            pipeline.StopRunning(kStopWaitMs);
        messages.Wait(std::chrono::milliseconds(200));
        if (showProgress)
            view.Draw(store.GetItems(options->function));
    }
    const auto items = store.GetItems(options->function);
    if (showProgress)
        view.Draw(items);
    std::fputs(FinalReport(items, options->json).c_str(), stdout);
    const bool allCompleted = std::all_of(
        items.begin(), items.end(), [](const ConversionItem& item) { return IsDone(item.status); });
    TC_HTTP::Release();
    if (interrupted)
        return Fail("stopped", 130);
    return allCompleted && allAccepted ? 0 : 1;
}
