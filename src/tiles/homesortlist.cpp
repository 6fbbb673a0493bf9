#include "tiles/homesortlist.h"

#include "utility/replyreader.h"
#include "utility/utilitycalls.h"

#include <utility>

HomeSortRecord HomeSortList::Get() const
{
    const std::lock_guard lock(mutex);
    return record;
}

void HomeSortList::Set(HomeSortRecord value)
{
    const std::lock_guard lock(mutex);
    record = std::move(value);
}

void HomeSortList::MarkFailed()
{
    const std::lock_guard lock(mutex);
    record.ok = false;
}

std::optional<HomeSortRecord> ParseHomeSortReply(std::string_view body)
{
    ReplyReader reader(body);
    const Json::Value& root = reader.Root();
    if (!reader.Require(root, {"ret", "msg", "data"}) || !root["data"].isArray())
        return std::nullopt;

    HomeSortRecord parsed;
    parsed.ret = reader.Integer(root["ret"]);
    parsed.msg = reader.Text(root["msg"]);
    for (const Json::Value& element : root["data"]) {
        if (!reader.Require(element, {"convertType", "isFree"}))
            return std::nullopt;
        const auto key = Utility::Utf8ToUnicode(reader.Text(element["convertType"]));
        if (!key)
            return std::nullopt;
        parsed.isFree[*key] = ReplyReader::Flag(element["isFree"]);
    }
    if (!reader.Accepted())
        return std::nullopt;
    parsed.ok = true;
    return parsed;
}
