#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct ServerOptions
{
    std::filesystem::path dataDir;
    // Where uploads and results live, seen by every instance; empty: the data directory.
    std::filesystem::path sharedDir;
    std::string listen = "127.0.0.1";
    int port = 8780; // where the client's default Config.ini looks
    // Where clients reach the service; empty: the listening address.
    std::string publicUrl;
    std::size_t workers = 1;
    std::optional<std::string> addUser;
    std::chrono::seconds tokenLifetime{7200};
    std::chrono::milliseconds timeLimit{120000};
    std::chrono::seconds readTimeout{30}; // for a whole request head, and a small body
    std::uint64_t userQuota = 1024ull << 20;
    std::uint64_t memoryLimit = 2048ull << 20; // of each converter process
    std::size_t connectionsPerAddress = 32;
    std::size_t queueLimit = 100;       // tasks queued in this instance; 0: no limit
    std::size_t totalQueueLimit = 1000; // tasks waiting in all instances; 0: no limit
    std::chrono::seconds stopGrace{10}; // for conversions under way at a SIGTERM
    // A postgresql:// address: the store that several instances share. Empty: SQLite in the
    // data directory.
    std::string database;
    std::chrono::seconds lease{30}; // how long a claimed task stays an instance's unrenewed
};

// Reads the command line; nothing on an error (`error` says which) or on --help (`error`
// empty).
std::optional<ServerOptions> ParseOptions(const std::vector<std::string>& args, std::string& error);

extern const char* const kUsage;
