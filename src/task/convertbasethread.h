#pragma once

#include "base/taskbasethread.h"
#include "task/conversionitem.h"

#include <atomic>
#include <cstdint>
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
    // The conversion run this stage works for, set before Start. Its WM_CONVERT_FINISH
    // carries the run as wParam; a body left from an earlier run no longer writes rows.
    void SetRun(std::uint32_t value) { run.store(value); }

    // Writes a row's status, its progress unless negative, and each text that is given
    // (texts may be "@string/" keys, resolved here). Callers post the row change themselves.
    // Does nothing in a body left from an earlier run.
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

    // Posts WM_CONVERT_FINISH for the run this body works for.
    void PostFinish();
    // The finishing step of a stage told to stop: aborts every row still in the pipeline
    // (Queued to Converted), unless a later run has replaced this body's, and posts
    // WM_CONVERT_FINISH.
    void PreFinish();

protected:
    // Begins a pipeline stage: the run it works for and the list to work on, with its current
    // function captured in `functionName`; null, after the finishing step, when a stop came
    // first or no list is set.
    ConversionList* BeginStage(std::string& functionName);

private:
    // True in a body that began for an earlier run than the one set last.
    bool IsEarlierRun() const { return bodyRun.load() != run.load(); }

    std::atomic<ConversionList*> convList{nullptr};
    std::atomic<RecordList*> completedList{nullptr};
    std::atomic<std::uint32_t> run{0};
    std::atomic<std::uint32_t> bodyRun{0}; // the run the running body began for
};
