#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// What a converter program may reach: a cap on its address space, no network, and file
// access limited to the system's directories (read) and the given ones. Prepared in the
// parent (`Prepared`), applied in the child between fork and exec with async-signal-safe
// calls only.
struct Confinement
{
    std::uint64_t memoryLimit = 0; // bytes of address space; 0: no cap
    bool network = true;           // false: a network namespace of its own and TCP refused
    bool limitFiles = false;       // true: only the system's directories and those below
    std::vector<std::filesystem::path> readable;
    std::vector<std::filesystem::path> writable;
    std::filesystem::path temporaryDir; // TMPDIR of the program, when not empty

    class Prepared
    {
    public:
        explicit Prepared(const Confinement& confinement);
        ~Prepared();
        Prepared(const Prepared&) = delete;
        Prepared& operator=(const Prepared&) = delete;

        // In the child: false when a part that the kernel offers could not be applied.
        bool ApplyInChild() const;
        // The environment the program starts with.
        char* const* Environment() const { return environment.data(); }

    private:
        std::uint64_t memoryLimit;
        bool network;
        int ruleset = -1; // Landlock rules, when the kernel has them
        std::string uidMap;
        std::string gidMap;
        std::vector<std::string> variables;
        std::vector<char*> environment;
    };
};

// The Landlock ABI version the kernel offers, 0 when none.
int LandlockVersion();
