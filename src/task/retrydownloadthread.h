#pragma once

#include "task/convertbasethread.h"
#include "task/resultdownload.h"

#include <deque>
#include <mutex>
#include <string>

class AccountAccess;

// Downloads single rows again on the user's request, under the row's stored output path
// when that name is free, else under the next free name; it never replaces an existing
// file. Owned by the conversion page, which queues rows and starts it on demand.
class CRetryDownloadThread : public CConvertBaseThread, public CResultDownload
{
public:
    // Set before Start: the account that must be signed in.
    void SetAccount(AccountAccess* value) { account = value; }
    // Queues a row of `functionName`; rows queued while the thread runs are served in the
    // same run, each against its own function's rows.
    void Enqueue(std::string functionName, int index);

protected:
    int Run() override;

private:
    struct QueuedRow
    {
        std::string functionName;
        int index = 0;
    };

    bool TakeFront(QueuedRow& row);
    void DownloadRow(const QueuedRow& row);

    AccountAccess* account = nullptr;
    std::mutex queueMutex;
    std::deque<QueuedRow> queue;
};
