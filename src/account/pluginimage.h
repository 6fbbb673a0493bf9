#pragma once

#include <string>
#include <vector>

// Maps the checked bytes of a plug-in as a library, so exactly the bytes that were checked
// run. Each returns the dlopen handle, null when the system refused.
using PluginImageLoader = void* (*)(const std::string& bytes);

// From an anonymous memory file, executable where the kernel knows MFD_EXEC. Refused where
// executing memory files is forbidden.
void* LoadFromMemoryFile(const std::string& bytes);

// From a copy in a new owner-only directory under `base`: the copy is read back and compared
// before it is loaded by its path, and removed again once mapped.
void* LoadFromPrivateCopy(const std::string& bytes, const std::string& base);

// Where private copies may go, in the order they are tried: the user's runtime directory,
// then the application-data directory.
std::vector<std::string> PrivateCopyBases();

// `fromMemory` first; when that is refused, a private copy in each base in turn.
void* LoadPluginImage(const std::string& bytes, PluginImageLoader fromMemory);
