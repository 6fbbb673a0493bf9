#pragma once

#include "task/conversionitem.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The rows of the conversion list, per function name. Every operation is one locked step,
// so the UI thread and the pipeline threads may use the store at the same time; readers get
// copies. An index out of range makes a getter return its empty value and a setter do
// nothing; a function without rows behaves as an empty list.
class ConversionStore
{
public:
    using Items = std::vector<ConversionItem>;

    void AddFile(std::string_view name, const std::string& path);
    void RemoveAt(std::string_view name, int index);
    void Clear(std::string_view name);
    bool ContainsFile(std::string_view name, std::string_view path) const;
    int GetCount(std::string_view name) const;
    // True when the list is empty or still has a Waiting row.
    bool CanAddFiles(std::string_view name) const;
    // True while a row is between Queued and Converted.
    bool IsConverting(std::string_view name) const;
    // True when some row's status passes `test`.
    bool AnyStatus(std::string_view name, bool (*test)(ConversionStatus)) const;

    void SetStatus(std::string_view name, int index, ConversionStatus status);
    ConversionStatus GetStatus(std::string_view name, int index) const;
    void SetAllStatus(std::string_view name, ConversionStatus status);
    // Sets the status only when the current one passes `when`, in one locked step; true
    // when it did.
    bool SetStatusIf(std::string_view name, int index, bool (*when)(ConversionStatus),
                     ConversionStatus status);
    void SetProgress(std::string_view name, int index, int progress);
    int GetProgress(std::string_view name, int index) const;
    void SetSourcePath(std::string_view name, int index, std::string path);
    std::string GetSourcePath(std::string_view name, int index) const;
    void SetOutputPath(std::string_view name, int index, std::string path);
    std::string GetOutputPath(std::string_view name, int index) const;
    void SetDownloadUrl(std::string_view name, int index, std::string url);
    std::string GetDownloadUrl(std::string_view name, int index) const;
    void SetStatusText(std::string_view name, int index, std::string text);
    std::string GetStatusText(std::string_view name, int index) const;
    void SetDetailText(std::string_view name, int index, std::string text);
    std::string GetDetailText(std::string_view name, int index) const;
    void SetTaskInfo(std::string_view name, int index, ServerTaskInfo task);
    ServerTaskInfo GetTaskInfo(std::string_view name, int index) const;
    void SetCost(std::string_view name, int index, int cost);
    int GetCost(std::string_view name, int index) const;

    // Plans every row's result path: the source's base name plus `suffix`, in the source's
    // directory when `sameDir`, otherwise in `customDir`.
    void SetOutputPaths(std::string_view name, std::string_view customDir, std::string_view suffix,
                        bool sameDir);

    Items GetItems(std::string_view name) const;

private:
    template <typename T>
    void SetField(std::string_view name, int index, T ConversionItem::*field, T value);
    template <typename T>
    T GetField(std::string_view name, int index, T ConversionItem::*field) const;
    bool AnyItem(std::string_view name,
                 const std::function<bool(const ConversionItem&)>& test) const;

    // Callers hold `mutex`.
    Items* Find(std::string_view name);
    const Items* Find(std::string_view name) const;

    mutable std::mutex mutex;
    std::map<std::string, Items, std::less<>> rows;
};

// The result path planned for `sourcePath`; '/' and '\' both separate path components.
std::string PlannedOutputPath(std::string_view sourcePath, std::string_view customDir,
                              std::string_view suffix, bool sameDir);
