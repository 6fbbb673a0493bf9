#pragma once

#include "utility/utf8.h"

#include <filesystem>
#include <optional>
#include <string>

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
