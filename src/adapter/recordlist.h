#pragma once

#include "adapter/filerecord.h"
#include "adapter/recordkind.h"

#include <pugixml.hpp>

#include <cstddef>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The records of one record file, newest first, with the parsed document; every change is
// written through to the file. AddRecord runs on the download threads, everything else on
// the UI thread; one lock serialises them.
//
// A file that cannot be read as a record file is left untouched at load and the list
// starts empty. The first change after that moves the unreadable file aside to
// "<file>.unreadable" (replacing an older one) and writes a new file; if it cannot be moved
// aside, the list stays in memory only.
class RecordList
{
public:
    explicit RecordList(RecordKind kind);

    // Reads the records of `path`; an empty path keeps the records in memory only. A
    // missing file is created with the default content. False when the file is unreadable.
    bool Load(const std::string& path);

    // Where the dates of new records come from; the system clock unless set.
    using Clock = std::function<std::time_t()>;
    void SetClock(Clock clock);
    // Today's date by the list's clock, as a new record shows it.
    std::string DateText() const;

    void AddRecord(const FileRecord& record);
    void RemoveAt(std::size_t index);
    void Clear();

    std::size_t GetCount() const;
    // A copy; an empty record for an index beyond the list.
    FileRecord GetRecord(std::size_t index) const;
    // The first index from the top whose path is exactly `path`.
    std::optional<std::size_t> FindPath(std::string_view path) const;

private:
    void LoadDefault();
    void Save();
    bool SetUnreadableFileAside();

    const RecordKind kind;
    mutable std::mutex mutex;
    Clock clock = [] { return std::time(nullptr); };
    std::vector<FileRecord> records; // index 0 = newest = last element of the file
    std::string filePath;
    pugi::xml_document doc;
    bool unreadableOnDisk = false;
};
