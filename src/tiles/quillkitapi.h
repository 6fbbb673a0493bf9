#pragma once

// The contract between the client and the tool-kit plug-in (libQuillkit.so): the exported C
// names and the object's operations in their fixed slot order. Shared by the plug-in and the
// loader.

#include <string>

inline constexpr const char* kCreateToolKitExport = "CreateToolKit";
// The name as the plug-in has always exported it.
inline constexpr const char* kDestoryToolKitExport = "DestoryToolKit";

class IToolKit
{
public:
    // 0: 1 when the PDF at `path` (UTF-8) needs an open password, 0 when it does not or cannot
    // be read.
    virtual int NeedsOpenPassword(const std::string& path) = 0;

protected:
    ~IToolKit() = default; // released through DestoryToolKit only
};

extern "C" {
using CreateToolKitFn = IToolKit* (*)();
using DestoryToolKitFn = void (*)(IToolKit*);
}
