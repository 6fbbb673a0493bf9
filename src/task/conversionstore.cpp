#include "task/conversionstore.h"

#include "adapter/filerecord.h"
#include "utility/pathsplit.h"
#include "utility/stringtable.h"
#include "utility/tc_checkpath.h"

#include <algorithm>

namespace {

bool IsSeparator(char c)
{
    return kPathSeparators.find(c) != std::string_view::npos;
}

} // namespace

std::string PlannedOutputPath(std::string_view sourcePath, std::string_view customDir,
                              std::string_view suffix, bool sameDir)
{
    const PathSplit split = SplitPath(sourcePath);
    std::string_view baseName = split.name;
    if (const auto dot = baseName.rfind('.'); dot != std::string_view::npos)
        baseName = baseName.substr(0, dot);

    std::string path;
    if (sameDir) {
        path = split.folder;
    } else {
        path = customDir;
        if (!path.empty() && !IsSeparator(path.back()))
            path += '/';
    }
    path += baseName;
    if (suffix.find('.') == std::string_view::npos)
        path += '.';
    path += suffix;
    return path;
}

ConversionStore::Items* ConversionStore::Find(std::string_view name)
{
    const auto found = rows.find(name);
    return found == rows.end() ? nullptr : &found->second;
}

const ConversionStore::Items* ConversionStore::Find(std::string_view name) const
{
    const auto found = rows.find(name);
    return found == rows.end() ? nullptr : &found->second;
}

template <typename T>
void ConversionStore::SetField(std::string_view name, int index, T ConversionItem::*field, T value)
{
    std::lock_guard lock(mutex);
    Items* items = Find(name);
    if (items && index >= 0 && index < static_cast<int>(items->size()))
        (*items)[static_cast<std::size_t>(index)].*field = std::move(value);
}

template <typename T>
T ConversionStore::GetField(std::string_view name, int index, T ConversionItem::*field) const
{
    std::lock_guard lock(mutex);
    const Items* items = Find(name);
    if (items && index >= 0 && index < static_cast<int>(items->size()))
        return (*items)[static_cast<std::size_t>(index)].*field;
    return T{};
}

bool ConversionStore::AnyItem(std::string_view name,
                              const std::function<bool(const ConversionItem&)>& test) const
{
    std::lock_guard lock(mutex);
    const Items* items = Find(name);
    return items && std::any_of(items->begin(), items->end(), test);
}

void ConversionStore::AddFile(std::string_view name, const std::string& path)
{
    std::uint64_t size = 0;
    if (TC_CHECKPATH::TC_GetFileSize(path.c_str(), &size) != 0)
        size = 0;
    ConversionItem item;
    item.sourcePath = path;
    item.sizeText = FormatSizeText(size);
    item.statusText = StringTable::Resolve("@string/str_conv_wait");
    item.detailText = item.statusText;

    std::lock_guard lock(mutex);
    auto found = rows.find(name);
    if (found == rows.end())
        found = rows.emplace(std::string(name), Items{}).first;
    found->second.push_back(std::move(item));
}

void ConversionStore::RemoveAt(std::string_view name, int index)
{
    std::lock_guard lock(mutex);
    Items* items = Find(name);
    if (items && index >= 0 && index < static_cast<int>(items->size()))
        items->erase(items->begin() + index);
}

void ConversionStore::Clear(std::string_view name)
{
    std::lock_guard lock(mutex);
    if (Items* items = Find(name))
        items->clear();
}

bool ConversionStore::ContainsFile(std::string_view name, std::string_view path) const
{
    return AnyItem(name, [path](const ConversionItem& item) { return item.sourcePath == path; });
}

int ConversionStore::GetCount(std::string_view name) const
{
    std::lock_guard lock(mutex);
    const Items* items = Find(name);
    return items ? static_cast<int>(items->size()) : 0;
}

bool ConversionStore::CanAddFiles(std::string_view name) const
{
    return GetCount(name) == 0 || AnyItem(name, [](const ConversionItem& item) {
               return item.status == ConversionStatus::Waiting;
           });
}

bool ConversionStore::IsConverting(std::string_view name) const
{
    return AnyStatus(name, IsInPipeline);
}

bool ConversionStore::AnyStatus(std::string_view name, bool (*test)(ConversionStatus)) const
{
    return AnyItem(name, [test](const ConversionItem& item) { return test(item.status); });
}

void ConversionStore::SetStatus(std::string_view name, int index, ConversionStatus status)
{
    SetField(name, index, &ConversionItem::status, status);
}

ConversionStatus ConversionStore::GetStatus(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::status);
}

void ConversionStore::SetAllStatus(std::string_view name, ConversionStatus status)
{
    std::lock_guard lock(mutex);
    if (Items* items = Find(name))
        for (ConversionItem& item : *items)
            item.status = status;
}

bool ConversionStore::SetStatusIf(std::string_view name, int index, bool (*when)(ConversionStatus),
                                  ConversionStatus status)
{
    std::lock_guard lock(mutex);
    Items* items = Find(name);
    if (!items || index < 0 || index >= static_cast<int>(items->size()))
        return false;
    ConversionItem& item = (*items)[static_cast<std::size_t>(index)];
    if (!when(item.status))
        return false;
    item.status = status;
    return true;
}

void ConversionStore::SetProgress(std::string_view name, int index, int progress)
{
    SetField(name, index, &ConversionItem::progress, progress);
}

int ConversionStore::GetProgress(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::progress);
}

void ConversionStore::SetSourcePath(std::string_view name, int index, std::string path)
{
    SetField(name, index, &ConversionItem::sourcePath, std::move(path));
}

std::string ConversionStore::GetSourcePath(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::sourcePath);
}

void ConversionStore::SetOutputPath(std::string_view name, int index, std::string path)
{
    SetField(name, index, &ConversionItem::outputPath, std::move(path));
}

std::string ConversionStore::GetOutputPath(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::outputPath);
}

void ConversionStore::SetDownloadUrl(std::string_view name, int index, std::string url)
{
    SetField(name, index, &ConversionItem::downloadUrl, std::move(url));
}

std::string ConversionStore::GetDownloadUrl(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::downloadUrl);
}

void ConversionStore::SetStatusText(std::string_view name, int index, std::string text)
{
    SetField(name, index, &ConversionItem::statusText, std::move(text));
}

std::string ConversionStore::GetStatusText(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::statusText);
}

void ConversionStore::SetDetailText(std::string_view name, int index, std::string text)
{
    SetField(name, index, &ConversionItem::detailText, std::move(text));
}

std::string ConversionStore::GetDetailText(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::detailText);
}

void ConversionStore::SetTaskInfo(std::string_view name, int index, ServerTaskInfo task)
{
    SetField(name, index, &ConversionItem::task, std::move(task));
}

ServerTaskInfo ConversionStore::GetTaskInfo(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::task);
}

void ConversionStore::SetCost(std::string_view name, int index, int cost)
{
    SetField(name, index, &ConversionItem::cost, cost);
}

int ConversionStore::GetCost(std::string_view name, int index) const
{
    return GetField(name, index, &ConversionItem::cost);
}

void ConversionStore::SetOutputPaths(std::string_view name, std::string_view customDir,
                                     std::string_view suffix, bool sameDir)
{
    std::lock_guard lock(mutex);
    if (Items* items = Find(name))
        for (ConversionItem& item : *items)
            item.outputPath = PlannedOutputPath(item.sourcePath, customDir, suffix, sameDir);
}

ConversionStore::Items ConversionStore::GetItems(std::string_view name) const
{
    std::lock_guard lock(mutex);
    const Items* items = Find(name);
    return items ? *items : Items{};
}
