#include "adapter/recordfiles.h"

#include "settings/settingsfiles.h"
#include "utility/utilitycalls.h"

std::string RecordFileLocation(RecordKind kind, const std::optional<std::string>& appDataDir)
{
    const std::string folder = appDataDir ? XmlFolder(*appDataDir) : std::string();
    return folder.empty() ? folder : folder + std::string(RecordFileName(kind));
}

std::string RecordFileLocation(RecordKind kind)
{
    return RecordFileLocation(kind, Utility::AppDataPath());
}

RecordList& CompletedRecords()
{
    static auto* const list = new RecordList(RecordKind::Completed);
    return *list;
}

RecordList& OpenRecords()
{
    static auto* const list = new RecordList(RecordKind::OpenRecord);
    return *list;
}
