#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// What the service said about each function at start-up. Only `ok` is consulted: adding
// files waits until one fetch has succeeded.
struct HomeSortRecord
{
    bool ok = false;
    std::int32_t ret = 0;
    std::string msg;
    std::map<std::string, bool> isFree; // by function key

    bool operator==(const HomeSortRecord&) const = default;
};

// The shared record: written by the fetch thread, read by the UI thread, always copied whole
// under one lock.
class HomeSortList
{
public:
    HomeSortRecord Get() const;
    void Set(HomeSortRecord value);
    // A failed fetch: the contents stay, `ok` becomes false.
    void MarkFailed();

private:
    mutable std::mutex mutex;
    HomeSortRecord record;
};

// The record a reply body gives, with `ok` set; nullopt when the reply is not accepted:
// the root needs "ret", "msg" and a "data" array whose every element has "convertType"
// (UTF-8 text) and "isFree".
std::optional<HomeSortRecord> ParseHomeSortReply(std::string_view body);
