#include "tiles/homesortlistthread.h"

#include "tiles/homesortlist.h"
#include "utility/applog.h"
#include "utility/utilitycalls.h"

#include <optional>
#include <utility>

CHomeSortListThread::CHomeSortListThread(HomeSortList& record, std::string apiBase)
    : record(record), apiBase(std::move(apiBase))
{
}

int CHomeSortListThread::Run()
{
    const auto reply = Utility::Request(GetStopEvent(), "GET", apiBase + "/api/getHomeSortList",
                                        "Content-Type: application/json", "", kReplyCapacity);
    if (StopRequested()) // leaving, not a failure to report
        return 0;
    std::optional<HomeSortRecord> parsed;
    if (reply.status == 200)
        parsed = ParseHomeSortReply(reply.body);
    if (parsed) {
        record.Set(std::move(*parsed));
        return 0;
    }
    AppLog("CHomeSortListThread::Run",
           "getHomeSortList failed, status " + std::to_string(reply.status));
    record.MarkFailed();
    PostNetError();
    return 0;
}
