#pragma once

#include <cstdint>

// Files and the program's folders. Folder results follow the buffer convention (see
// TC_ENCODE) and end with '/'.
namespace TC_CHECKPATH {

// True for anything at `path` that is not a directory.
bool TC_FileExist(const char* path);
bool TC_DirectoryExist(const char* path);
// Creates the directory and any missing parents.
bool TC_CreateDirectory(const char* path);
// True when no file is left at `path` (a missing file counts); never removes a directory.
bool TC_DeleteFile(const char* path);
// Deletes the directory with everything in it.
bool TC_DeleteDirectory(const char* path);
// 0 on success.
int TC_GetFileSize(const char* path, std::uint64_t* size);

// Directory of the running executable.
int TC_GetWorkPath(char* out, std::uint32_t capacity, std::uint32_t* needed);
// `name` is a single path component.
// $XDG_DATA_HOME/<name>/ (default ~/.local/share/<name>/), created when missing.
int TC_GetAppDataPath(const char* name, char* out, std::uint32_t capacity, std::uint32_t* needed);
// $XDG_CACHE_HOME/<name>/update/ (default ~/.cache/<name>/update/), created when missing.
int TC_GetUpdatePath(const char* name, char* out, std::uint32_t capacity, std::uint32_t* needed);

// True when the work directory holds the logging marker file "log.dll" (diagnostic builds).
bool TC_IsLoglibExist(const char* name);
// Creates an empty file that only its owner may read and write; 0 on success. Fails when
// the path already exists.
int TC_CreateLimitedAccessFileByAdmin(const char* path);

} // namespace TC_CHECKPATH
