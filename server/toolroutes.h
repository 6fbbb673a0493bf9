#pragma once

#include "childprocess.h"
#include "routesettings.h"
#include "workerpool.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

class SessionStore;

// The JSON endpoints of the web site's PDF tools: POST /api/pdf/TOOL with the signed-in
// user's token, the files (in order) and the options as a multipart form. The result comes
// back as the download; the document check answers with JSON; refusals are JSON with a 4xx
// status. The work runs on a pool of its own under a time and memory limit, in a directory
// of the request that is removed afterwards, so no user ever sees another's files.
class ToolRoutes
{
public:
    using Limits = ToolLimits;

    ToolRoutes(SessionStore& sessions, Limits limits);
    ~ToolRoutes();
    ToolRoutes(const ToolRoutes&) = delete;
    ToolRoutes& operator=(const ToolRoutes&) = delete;

    void Register(httplib::Server& server);

private:
    void Serve(const httplib::Request& request, httplib::Response& response);
    // Runs `work` on the pool and waits for it.
    void OnPool(const std::function<void()>& work);

    SessionStore& sessions;
    const Limits limits;
    ChildProcess::CancelFlag cancel{false};
    std::mutex mutex;
    std::deque<std::function<void()>> pending;
    WorkerPool pool; // last: its threads use the members above
};
