#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Small input documents written by the tests themselves.
namespace TestDocuments {

// A Word document with one paragraph per entry.
bool WriteDocx(const std::filesystem::path& path, const std::vector<std::string>& paragraphs);
// A PDF with one page per entry, each showing its text in Helvetica.
bool WritePdf(const std::filesystem::path& path, const std::vector<std::string>& pages);
bool WriteText(const std::filesystem::path& path, const std::string& text);
// A white black-and-white PNG: small on disk, `width` x `height` pixels once decoded.
bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height);
// A colour PNG of a small bar chart: pale background, an axis and twelve pairs of bars.
std::string BarChartPng(std::uint32_t width, std::uint32_t height);
std::string Read(const std::filesystem::path& path);

// The names of the members of a zip archive, and one member's bytes.
std::vector<std::string> ZipMembers(const std::filesystem::path& path);
std::string ZipMember(const std::filesystem::path& path, const std::string& name);

// Runs a program (argument vector) and returns its standard output; "" when it failed.
std::string Capture(const std::vector<std::string>& argv);

} // namespace TestDocuments
