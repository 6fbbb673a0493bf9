#pragma once

#include <string_view>

// The two record files: results of conversions and documents opened through the client.
enum class RecordKind
{
    Completed,
    OpenRecord,
};

// "completed_ini.xml" or "openrecord_ini.xml".
std::string_view RecordFileName(RecordKind kind);
// The attribute holding the record's date: "FinishTime" or "OpenTime".
std::string_view RecordTimeAttribute(RecordKind kind);
// The file written when none exists: an "ini" root without records.
std::string_view RecordDefaultContent(RecordKind kind);
