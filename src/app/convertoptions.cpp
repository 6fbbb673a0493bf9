#include "app/convertoptions.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace {
// A week: far beyond any conversion, and safe to count in milliseconds.
constexpr long long kMaxTimeoutSeconds = 7 * 24 * 3600;
} // namespace

const char* ConvertUsage()
{
    return "Usage: dokora-convert [options] FUNCTION FILE...\n"
           "Converts up to ten files with the conversion service and saves each result beside\n"
           "its source (or in --out DIR) under a name no existing file has.\n"
           "\n"
           "FUNCTION is one of: PDF2Word PDF2Excel PDF2PPT PDF2JPG PDF2Html PDFCompress\n"
           "  PDFExportImage Word2PDF Excel2PDF PPT2PDF JPG2PDF TXT2PDF IMG2TXT\n"
           "\n"
           "Options:\n"
           "  --out DIR             save the results in DIR\n"
           "  --user NAME           sign in as NAME (default: $DOKORA_USER)\n"
           "  --password-file FILE  read the password from the first line of FILE\n"
           "                        (default: $DOKORA_PASSWORD, else a prompt on the terminal)\n"
           "  --timeout SECONDS     give up on a file whose task is not finished or whose\n"
           "                        result is not downloaded within SECONDS (default 1800);\n"
           "                        a download slower than 1 KiB/s for 30 s fails as well\n"
           "  --json                print one JSON object per file instead of progress bars\n"
           "  --help                show this text\n"
           "\n"
           "A kept sign-in is reused. Service locations come from Config.ini and the\n"
           "DOKORA_API_URL, DOKORA_WEB_URL, DOKORA_FILES_URL and DOKORA_SSO_URL variables.\n"
           "The exit status is 0 only when every file was converted; Ctrl-C stops the run and\n"
           "leaves no partial result behind.\n";
}

std::optional<ConvertOptions> ParseConvertOptions(int argc, char** argv, ConvertOptionsError& error)
{
    ConvertOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                error.message = std::string(arg) + " needs a value";
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--out") {
            if (!value(options.outDir))
                return std::nullopt;
        } else if (arg == "--user") {
            if (!value(options.user))
                return std::nullopt;
        } else if (arg == "--password-file") {
            if (!value(options.passwordFile))
                return std::nullopt;
        } else if (arg == "--timeout") {
            std::string text;
            if (!value(text))
                return std::nullopt;
            long long seconds = 0;
            const auto [end, failure] =
                std::from_chars(text.data(), text.data() + text.size(), seconds);
            if (failure != std::errc() || end != text.data() + text.size() || seconds <= 0 ||
                seconds > kMaxTimeoutSeconds) {
                error.message = "--timeout needs a number of seconds from 1 to " +
                                std::to_string(kMaxTimeoutSeconds);
                return std::nullopt;
            }
            options.timeout = std::chrono::seconds(seconds);
        } else if (arg == "--") {
            positional.insert(positional.end(), argv + i + 1, argv + argc);
            break;
        } else if (arg.starts_with("--")) {
            error.message = "unknown option " + std::string(arg);
            return std::nullopt;
        } else {
            positional.emplace_back(arg);
        }
    }
    if (options.help)
        return options;
    if (positional.size() < 2) {
        error.message = "a function and at least one file are needed";
        return std::nullopt;
    }
    options.function = positional.front();
    options.files.assign(positional.begin() + 1, positional.end());
    if (options.user.empty())
        if (const char* user = std::getenv("DOKORA_USER"))
            options.user = user;
    return options;
}
