#pragma once

#include "routesettings.h"
#include "uploadreceiver.h"

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

class ConversionService;
class SessionStore;
class TaskStore;

// The task API: upload (within the size limit and the user's quota), submit and query, the
// results' downloads and the list of offered functions.
class TaskRoutes
{
public:
    // The one route that takes a large body, streamed as it arrives.
    static constexpr const char* kUploadPath = "/v2/task/upload";

    TaskRoutes(SessionStore& sessions, TaskStore& tasks, ConversionService& conversions,
               RouteSettings settings);
    void Register(httplib::Server& server);

private:
    void Upload(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader& reader);
    void Submit(const httplib::Request& request, httplib::Response& response);
    // True when a submit must wait: this instance's queue or the whole queue is at its limit.
    bool QueueFull();
    void Query(const httplib::Request& request, httplib::Response& response);
    void Result(const httplib::Request& request, httplib::Response& response);
    void HomeSortList(httplib::Response& response);

    SessionStore& sessions;
    TaskStore& tasks;
    ConversionService& conversions;
    const RouteSettings settings;
    UploadReceiver uploads;
};
