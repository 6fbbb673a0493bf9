#pragma once

#include "http/downloadbase.h"
#include "task/convertbasethread.h"

#include <deque>
#include <mutex>
#include <string>

class AccountLibrary;

// Downloads single rows again on the user's request, replacing the file at the row's stored
// output path. Owned by the conversion page, which queues rows and starts it on demand.
class CRetryDownloadThread : public CConvertBaseThread, public CDownloadBase
{
public:
    ~CRetryDownloadThread() override;

    // Set before Start: the account that must be signed in.
    void SetAccount(AccountLibrary* value) { account = value; }
    // Queues a row; rows queued while the thread runs are served in the same run.
    void Enqueue(int index);

protected:
    int Run() override;

private:
    bool TakeFront(int& index);
    void DownloadRow(const std::string& functionName, int index);

    AccountLibrary* account = nullptr;
    std::mutex queueMutex;
    std::deque<int> queue;
};
