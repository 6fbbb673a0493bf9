#pragma once

#include "editabletruth.h"

#include <filesystem>
#include <string>
#include <vector>

// PDFs printed by the office suite from documents the tests write, each with its truth: the
// measure of how well a PDF is rebuilt into an editable document.
namespace EditableCorpus {

struct CorpusDocument
{
    std::string name;
    std::filesystem::path pdf;
    Truth truth;
    std::filesystem::path source; // the flat ODF text it was printed from; empty for "scanned"
};

// The names of every document, in the order MakeEditableCorpus returns them: "single-column",
// "two-column", "headings", "lists", "ruled-table", "unruled-table", "images", "chinese",
// "headers-footers", "report" and "scanned" (the report printed, rasterised and made an
// image-only PDF).
std::vector<std::string> DocumentNames();

// Writes the documents into `dir` and prints them in one run of the office suite. Empty with
// `error` set when a name is unknown or a program failed.
std::vector<CorpusDocument> MakeEditableCorpus(const std::filesystem::path& dir,
                                               std::string& error);
std::vector<CorpusDocument> MakeEditableCorpus(const std::filesystem::path& dir,
                                               const std::vector<std::string>& names,
                                               std::string& error);

// Runs the office suite headless with its profile in `profile`, converting `inputs` into
// `outDir` as `convertTo` says (e.g. "pdf", "docx:MS Word 2007 XML"), reading them with
// `inputFilter` unless it is empty.
bool OfficeConvert(const std::filesystem::path& profile, const std::string& inputFilter,
                   const std::string& convertTo, const std::vector<std::filesystem::path>& inputs,
                   const std::filesystem::path& outDir, std::string& error);

// Runs a program to its end within `seconds`; its output becomes `error` when it fails.
bool RunProgram(const std::vector<std::string>& argv, int seconds, std::string& error);

} // namespace EditableCorpus
