#pragma once

#include <optional>
#include <string>

// A result's name, held by the empty file created for it when the name was chosen. The
// download that owns it replaces exactly that file, or releases the name again. The file
// stays open while the object lives, so no other file can take its identity.
class ReservedName
{
public:
    ReservedName(std::string path, int fd);
    ~ReservedName();
    ReservedName(ReservedName&& other) noexcept;
    ReservedName& operator=(ReservedName&& other) noexcept;
    ReservedName(const ReservedName&) = delete;
    ReservedName& operator=(const ReservedName&) = delete;

    const std::string& Path() const { return path; }
    // True while the file at Path() is still the empty file this reservation created.
    bool StillHeld() const;
    // Removes the reservation's file when it is still there and still empty.
    void Release() const;

private:
    std::string path;
    int fd = -1;
};

// Reserves `path` when nothing exists there (a link, even a dangling one, counts as taken);
// otherwise the first of "name(1).ext", "name(2).ext", ... that is free. The number goes
// before the file name's last '.', or at the end when the name has none. The name is taken
// by creating its file exclusively, without following links, so two callers never get the
// same one. Empty when no file can be created in that folder.
std::optional<ReservedName> ReserveFreeName(const std::string& path);
