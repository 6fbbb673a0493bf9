#include "adapter/recordlist.h"

#include "settings/atomicfile.h"
#include "utility/tc_checkpath.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

constexpr const char* kRoot = "ini";

class StringWriter : public pugi::xml_writer
{
public:
    void write(const void* data, std::size_t size) override
    {
        bytes.append(static_cast<const char*>(data), size);
    }
    std::string bytes;
};

std::vector<pugi::xml_node> ElementChildren(pugi::xml_node root)
{
    std::vector<pugi::xml_node> children;
    for (const pugi::xml_node child : root.children())
        if (child.type() == pugi::node_element)
            children.push_back(child);
    return children;
}

} // namespace

RecordList::RecordList(RecordKind kind) : kind(kind) {}

bool RecordList::Load(const std::string& path)
{
    const std::lock_guard lock(mutex);
    filePath = path;
    records.clear();
    unreadableOnDisk = false;

    if (!path.empty() && TC_CHECKPATH::TC_FileExist(path.c_str())) {
        if (!doc.load_file(path.c_str(), pugi::parse_default, pugi::encoding_utf8) ||
            !doc.child(kRoot)) {
            unreadableOnDisk = true;
            LoadDefault();
            return false;
        }
    } else {
        LoadDefault();
        Save();
    }

    const std::string timeAttribute(RecordTimeAttribute(kind));
    const std::vector<pugi::xml_node> items = ElementChildren(doc.child(kRoot));
    std::transform(items.rbegin(), items.rend(), std::back_inserter(records),
                   [&](pugi::xml_node item) {
                       return FileRecord{item.attribute("quota").as_uint(0),
                                         item.attribute("FilePath").value(),
                                         item.attribute("FileSize").value(),
                                         item.attribute(timeAttribute.c_str()).value()};
                   });
    return true;
}

void RecordList::SetClock(Clock value)
{
    const std::lock_guard lock(mutex);
    clock = std::move(value);
}

std::string RecordList::DateText() const
{
    const std::lock_guard lock(mutex);
    return FormatDateText(clock());
}

void RecordList::AddRecord(const FileRecord& record)
{
    const std::lock_guard lock(mutex);
    pugi::xml_node item = doc.child(kRoot).append_child("item");
    item.append_attribute("FilePath") = record.path.c_str();
    item.append_attribute("FileSize") = record.sizeText.c_str();
    item.append_attribute("quota") = record.cost;
    item.append_attribute(std::string(RecordTimeAttribute(kind)).c_str()) = record.timeText.c_str();
    Save();
    records.insert(records.begin(), record);
}

void RecordList::RemoveAt(std::size_t index)
{
    const std::lock_guard lock(mutex);
    if (index >= records.size())
        return;
    pugi::xml_node root = doc.child(kRoot);
    const std::vector<pugi::xml_node> items = ElementChildren(root);
    if (index < items.size()) {
        root.remove_child(items[items.size() - 1 - index]);
        Save();
    }
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(index));
}

void RecordList::Clear()
{
    const std::lock_guard lock(mutex);
    if (pugi::xml_node root = doc.child(kRoot)) {
        root.remove_children();
        Save();
    }
    records.clear();
}

std::size_t RecordList::GetCount() const
{
    const std::lock_guard lock(mutex);
    return records.size();
}

FileRecord RecordList::GetRecord(std::size_t index) const
{
    const std::lock_guard lock(mutex);
    return index < records.size() ? records[index] : FileRecord{};
}

std::optional<std::size_t> RecordList::FindPath(std::string_view path) const
{
    const std::lock_guard lock(mutex);
    const auto found = std::find_if(records.begin(), records.end(),
                                    [&](const FileRecord& record) { return record.path == path; });
    if (found == records.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - records.begin());
}

void RecordList::LoadDefault()
{
    const std::string_view content = RecordDefaultContent(kind);
    doc.load_buffer(content.data(), content.size());
}

void RecordList::Save()
{
    if (filePath.empty() || (unreadableOnDisk && !SetUnreadableFileAside()))
        return;
    StringWriter writer;
    doc.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    WriteFileAtomically(filePath, writer.bytes);
}

bool RecordList::SetUnreadableFileAside()
{
    const std::string aside = filePath + ".unreadable";
    if (std::rename(filePath.c_str(), aside.c_str()) != 0)
        return false;
    unreadableOnDisk = false;
    return true;
}
