#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What a task needs as its input, told apart by the file's first bytes, not by its name.
enum class InputKind
{
    Pdf,
    OfficeDocument,
    Text,
    PdfImage, // what img2pdf takes: JPEG or PNG
    Image,    // what the text recognition takes
};

// Nothing when the file at `path` is of the kind; otherwise the reason, for the client.
std::optional<std::string> CheckInput(InputKind kind, const std::filesystem::path& path);

// Strict: overlong forms, surrogates and code points above U+10FFFF are not UTF-8.
bool IsValidUtf8(std::string_view text);
// `text` with every byte that is not part of a well-formed sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view text);
