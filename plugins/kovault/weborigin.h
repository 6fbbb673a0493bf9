#pragma once

#include <optional>
#include <string>

// The scheme, host and port of an http or https address: two addresses with the same origin
// are one site.
struct WebOrigin
{
    std::string scheme;
    std::string host; // lower case; an IPv6 address in brackets
    std::string port; // the scheme's default when the address names none

    bool operator==(const WebOrigin&) const = default;
};

std::optional<WebOrigin> OriginOf(const std::string& url);
bool SameSite(const std::string& a, const std::string& b);
// An http address of another machine: what is sent there crosses a network unencrypted.
bool SendsInClear(const std::string& url);
