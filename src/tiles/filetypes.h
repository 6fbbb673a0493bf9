#pragma once

#include <string>
#include <string_view>
#include <vector>

// Which files each function takes. Keys are matched exactly, extensions carry their dot and
// are compared in lower case.

// The open-file dialog filter of a function in the Qt file-dialog form
// "<description> (<pattern> <pattern>...)", as "DOC Files (*.doc *.docx)"; the description
// is the string table's text without the patterns it names. A key that takes no other files
// gets the PDF filter.
std::string FileFilterForFunction(std::string_view key);

// The functions a file with `extension` ("pdf", ".PDF", ...) can go to, in the order the
// drop page shows them; empty for an unknown extension.
std::vector<std::string> FunctionsForExtension(std::string_view extension);

// The extensions a function accepts when files are dropped on it; empty when it accepts
// none.
std::vector<std::string> ExtensionsForFunction(std::string_view key);

// The lower-cased extension of the file name in `path`, from its last dot ("" when none).
std::string FileExtension(std::string_view path);

// Those of `paths`, in order, that `key` accepts.
std::vector<std::string> FilesForFunction(std::string_view key,
                                          const std::vector<std::string>& paths);

// What a drag of `paths` offers: the paths some function takes, and the union of those
// functions in first-seen order.
struct DropOffer
{
    std::vector<std::string> files;
    std::vector<std::string> functions;
};
DropOffer FunctionsForFiles(const std::vector<std::string>& paths);
