#pragma once

#include "base/taskbasethread.h"

#include <cstdint>
#include <string>

class HomeSortList;

// Fetches the home sort list once per start into the shared record. A failure keeps the
// previous contents, clears `ok` and posts the network error to the main window.
class CHomeSortListThread : public CTaskBaseThread
{
public:
    static constexpr std::uint32_t kReplyCapacity = 26000;

    // Fills `record` from the service at `apiBase`.
    CHomeSortListThread(HomeSortList& record, std::string apiBase);

protected:
    int Run() override;

private:
    HomeSortList& record;
    const std::string apiBase;
};
