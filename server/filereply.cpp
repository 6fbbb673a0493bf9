#include "filereply.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>

bool SendFile(httplib::Response& response, const std::filesystem::path& path,
              const std::string& type)
{
    std::error_code code;
    const auto size = std::filesystem::file_size(path, code);
    auto file = std::make_shared<std::ifstream>(path, std::ios::binary);
    if (code || !*file) {
        return false;
    }
    response.set_content_provider(
        static_cast<std::size_t>(size), type,
        [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            char chunk[64 * 1024];
            file->seekg(static_cast<std::streamoff>(offset));
            file->read(chunk, static_cast<std::streamsize>(std::min(length, sizeof chunk)));
            const auto got = file->gcount();
            return got > 0 && sink.write(chunk, static_cast<std::size_t>(got));
        });
    return true;
}

std::string PercentEncode(const std::string& text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}
