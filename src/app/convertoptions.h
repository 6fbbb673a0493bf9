#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The command line of dokora-convert.
struct ConvertOptions
{
    std::string function;
    std::vector<std::string> files;
    std::string outDir; // empty: results go beside their sources
    std::string user;   // --user, else DOKORA_USER
    std::string passwordFile;
    std::chrono::seconds timeout{30 * 60}; // per file: polling its task, downloading its result
    bool json = false;
    bool help = false;
};

struct ConvertOptionsError
{
    std::string message;
};

// Parses argv; the user name falls back to the DOKORA_USER environment variable.
std::optional<ConvertOptions> ParseConvertOptions(int argc, char** argv,
                                                  ConvertOptionsError& error);

const char* ConvertUsage();
