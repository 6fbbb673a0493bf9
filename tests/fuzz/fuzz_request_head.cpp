// The bytes a connection received so far, as the service's front end examines them.
#include "fuzzinput.h"
#include "requesthead.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RequestHead::Rules rules;
    rules.streamingPaths = {"/upload"};
    rules.maxHead = 512;
    rules.maxSmallBody = 1024;
    const std::string_view received = FuzzInput::Text(data, size);
    const RequestHead::Verdict verdict = RequestHead::Examine(received, rules);
    if (verdict.readiness == RequestHead::Readiness::Refused &&
        (verdict.status < 400 || verdict.status > 599))
        std::abort();
    // More bytes never turn a request that was ready back into an incomplete one.
    if (verdict.readiness == RequestHead::Readiness::Ready && !verdict.streaming) {
        const std::string longer = std::string(received) + "x";
        if (RequestHead::Examine(longer, rules).readiness == RequestHead::Readiness::Incomplete)
            std::abort();
    }
    return 0;
}
