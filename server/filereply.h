#pragma once

#include <filesystem>
#include <string>

namespace httplib {
struct Response;
}

// Streams the file at `path` as the response body, its length declared; false when it cannot
// be read.
bool SendFile(httplib::Response& response, const std::filesystem::path& path,
              const std::string& type);

// `text` percent-encoded for a header value such as filename*=UTF-8''...
std::string PercentEncode(const std::string& text);
