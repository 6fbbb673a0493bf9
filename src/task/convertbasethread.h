#pragma once

#include "task/conversionitem.h"
#include "task/taskbasethread.h"

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

class ConversionList;
class RecordList;

// A thread that works on the rows of the conversion list: the base of the pipeline stages.
// The list is borrowed from the conversion page and must outlive the running thread.
class CConvertBaseThread : public CTaskBaseThread
{
public:
    void SetConvList(ConversionList* list) { convList.store(list); }
    ConversionList* GetConvList() const { return convList.load(); }
    void SetCompletedList(RecordList* list) { completedList.store(list); }
    RecordList* GetCompletedList() const { return completedList.load(); }

    // Writes a row's status, its progress unless negative, and each text that is given
    // (texts may be "@string/" keys, resolved here). Callers post the row change themselves.
    void UpdateItem(std::string_view functionName, int index, ConversionStatus status, int progress,
                    const std::optional<std::string>& detailText,
                    const std::optional<std::string>& statusText);

    // Records a saved result in the completed list, waiting up to a second for the file to
    // appear while the thread runs.
    void AddCompletedRecord(const std::string& path, int cost);

    void PostListChanged();
    void PostItemChanged(int index);
    void PostCompletedChanged();
    // Hands the saved result's path to the window.
    void PostFileDone(const std::string& path);

    // The finishing step of a stage told to stop: aborts every row still in the pipeline
    // (Queued to Converted) and posts WM_CONVERT_FINISH.
    void PreFinish();

protected:
    // Begins a pipeline stage: the list to work on, with its current function captured in
    // `functionName`; null, after the finishing step, when a stop came first or no list is set.
    ConversionList* BeginStage(std::string& functionName);

private:
    std::atomic<ConversionList*> convList{nullptr};
    std::atomic<RecordList*> completedList{nullptr};
};
