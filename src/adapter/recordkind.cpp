#include "adapter/recordkind.h"

#include <cstddef>

extern const unsigned char rc_config_completed[];
extern const std::size_t rc_config_completed_size;
extern const unsigned char rc_config_openrecord[];
extern const std::size_t rc_config_openrecord_size;

std::string_view RecordFileName(RecordKind kind)
{
    return kind == RecordKind::Completed ? "completed_ini.xml" : "openrecord_ini.xml";
}

std::string_view RecordTimeAttribute(RecordKind kind)
{
    return kind == RecordKind::Completed ? "FinishTime" : "OpenTime";
}

std::string_view RecordDefaultContent(RecordKind kind)
{
    if (kind == RecordKind::Completed)
        return {reinterpret_cast<const char*>(rc_config_completed), rc_config_completed_size};
    return {reinterpret_cast<const char*>(rc_config_openrecord), rc_config_openrecord_size};
}
