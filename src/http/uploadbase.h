#pragma once

#include "http/httpbase.h"

#include <map>
#include <string>
#include <string_view>

class StopEvent;

// Sends one local file as a multipart/form-data POST and returns the response body. The
// file is streamed in chunks, never held in memory whole. The upload stage inherits it and
// runs it on its own thread.
class CUploadBase : public CHttpBase
{
public:
    enum class Result
    {
        kDone = 0,
        kFailed = 1,
        kTimedOut = 2,
        kStopped = 3,
    };

    static constexpr std::string_view kBoundary = "----------EFF21B1378AF4ABCAF83812F8E7990B9";

    // Connection retries, time-outs and the cookie of the service's upload address.
    bool ConfigureSession(HttpSession& session) override;

    // Sets the header, disposition and part-type lines for the file at `path`.
    virtual void PrepareMultipart(std::string_view path);
    // The catalogue's content type for the path's extension; empty when unknown.
    virtual std::string GetContentType(std::string_view path);
    virtual std::string GetBoundary() const;
    virtual std::string BoundaryLine(std::string_view boundary) const;
    virtual std::string ClosingLine(std::string_view boundary) const;
    // Builds the header text anew from the map (in key order) and the boundary.
    virtual void BuildRequestHeaders(const std::map<std::string, std::string>& headerMap,
                                     std::string_view boundary);
    virtual std::string GetRequestHeaders() const;
    virtual void SetDisposition(std::string_view value);
    virtual std::string GetDisposition() const;
    virtual void SetPartType(std::string_view value);
    virtual std::string GetPartType() const;
    // Any HTTP status is a completed exchange; the caller judges the body. A reply longer
    // than the service replies' buffer (13,000 bytes) fails.
    virtual Result Upload(std::string_view url, std::string_view path, const StopEvent* stopEvent,
                          void* userData, std::string& response);

protected:
    std::string requestHeaders;
    std::string dispositionLine;
    std::string partTypeLine;
};
