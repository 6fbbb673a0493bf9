#include "adapter/recordfiles.h"

#include "utility/tc_checkpath.h"
#include "utility/utilitycalls.h"

std::string RecordFileLocation(RecordKind kind, const std::optional<std::string>& appDataDir)
{
    if (!appDataDir || appDataDir->empty())
        return {};
    const std::string dir = *appDataDir + "xml/";
    if (!TC_CHECKPATH::TC_DirectoryExist(dir.c_str()) &&
        !TC_CHECKPATH::TC_CreateDirectory(dir.c_str()))
        return {};
    return dir + std::string(RecordFileName(kind));
}

std::string RecordFileLocation(RecordKind kind)
{
    return RecordFileLocation(kind, Utility::AppDataPath());
}
