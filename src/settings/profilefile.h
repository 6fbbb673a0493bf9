#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An INI file read and written as the Windows profile functions do: every call reads the
// file afresh, sections and keys match without regard to case, values are cut to what a
// buffer of kValueCapacity characters holds, and a write replaces the file atomically.
// Used from the UI thread and during start-up only.
class ProfileFile
{
public:
    static constexpr std::size_t kValueCapacity = 260;

    explicit ProfileFile(std::string path);

    const std::string& Path() const { return path; }
    bool Exists() const;

    // The value with one pair of enclosing quotes removed, or `defaultValue` when the
    // key is absent.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = "") const;
    // The leading decimal digits (with an optional sign) of the value; `defaultValue` when
    // the key is absent or empty, 0 when the value does not start with a number.
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;
    // Creates the file and the section when missing. Fails without touching the file when
    // an existing file cannot be read.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) const;

private:
    std::string path;
};
