// URLs and percent-encoding: parsing never fails unsafely, decoding undoes encoding, and an
// address is always the same site as itself.
#include "fuzzinput.h"
#include "http/httpbase.h"
#include "http/urlcoding.h"
#include "weborigin.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = FuzzInput::Text(data, size);
    const CHttpBase http;
    if (const auto parsed = http.ParseUrl(text)) {
        if (parsed->port < 0 || parsed->port > 65535)
            std::abort();
    }
    http.UrlDecode(text);
    const std::string url(text);
    if (OriginOf(url) && !SameSite(url, url))
        std::abort();
    SendsInClear(url);
    if (UrlDecodeBytes(UrlEncodeBytes(text)) != text)
        std::abort();
    return 0;
}
