#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Tells from the bytes received so far on a connection whether its request can be handed to
// a worker: the whole head, and on routes that take no large body the whole body as well.
namespace RequestHead {

struct Rules
{
    std::vector<std::string> streamingPaths; // routes whose body the handler streams
    std::size_t maxHead = 16 * 1024;
    std::size_t maxSmallBody = 64 * 1024; // on every other route
};

enum class Readiness
{
    Incomplete, // wait for more bytes
    Ready,      // hand it to a worker now
    Refused,    // answer `status` with `reason` and close
};

struct Verdict
{
    Readiness readiness = Readiness::Incomplete;
    bool streaming = false; // ready, with a body the handler reads as it arrives
    int status = 0;
    std::string reason;
};

Verdict Examine(std::string_view received, const Rules& rules);

} // namespace RequestHead
