#pragma once

#include "childprocess.h"

#include <json/value.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// The web site's PDF tools (merge, split, lock, unlock, rotate, watermark, page numbers,
// document check, portfolio), done with qpdf, poppler and librsvg on files of one request.
namespace PdfTools {

struct Upload
{
    std::string name;           // as the user named it
    std::filesystem::path path; // inside the work directory
};

struct Request
{
    std::string tool;
    std::vector<Upload> files; // in the order the user arranged them
    std::map<std::string, std::string> options;
    std::filesystem::path workDir; // an empty directory of this request
    ChildProcess::Clock::time_point deadline;
    const ChildProcess::CancelFlag* cancel = nullptr; // never null
    std::uint64_t memoryLimit = 0;                    // of each program run; 0: none
};

struct Outcome
{
    int status = 200;             // 4xx: the input's fault, 5xx: the service's
    std::string message;          // why it failed, for the user
    std::filesystem::path result; // the file to download (inside workDir), or empty
    std::string resultName;       // its file name for the download
    Json::Value report;           // what the document check found
};

// The tool names of the endpoints.
const std::vector<std::string>& Tools();

Outcome Run(const Request& request);

// Page numbers "1,3-5" of a document with `pageCount` pages, in order; empty when the text is
// malformed or names a page past the last.
std::vector<std::pair<int, int>> ParseRanges(const std::string& text, int pageCount);

} // namespace PdfTools
