#include "utility/stringtable.h"

#include <pugixml.hpp>

#include <cstddef>
#include <map>

extern const unsigned char dokora_string_table[];
extern const std::size_t dokora_string_table_size;

namespace StringTable {
namespace {

using Table = std::map<std::string, std::string, std::less<>>;

Table LoadTable()
{
    Table table;
    pugi::xml_document doc;
    if (!doc.load_buffer(dokora_string_table, dokora_string_table_size))
        return table;
    for (const pugi::xml_node entry : doc.child("strings").children("string"))
        table.emplace(entry.attribute("name").value(), entry.text().get());
    return table;
}

const Table& TheTable()
{
    static const Table table = LoadTable();
    return table;
}

std::string_view StripPrefix(std::string_view key)
{
    if (key.starts_with(kKeyPrefix))
        key.remove_prefix(kKeyPrefix.size());
    return key;
}

} // namespace

std::string Resolve(std::string_view text)
{
    if (!text.starts_with(kKeyPrefix))
        return std::string(text);
    const auto found = TheTable().find(StripPrefix(text));
    return found == TheTable().end() ? std::string(text) : found->second;
}

bool Contains(std::string_view key)
{
    return TheTable().contains(StripPrefix(key));
}

} // namespace StringTable
