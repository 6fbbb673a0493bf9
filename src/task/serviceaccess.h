#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

class TokenProvider;

// How the pipeline stages reach the conversion service: its base URL and the session token.
class ServiceAccess
{
public:
    ServiceAccess() = default;
    ServiceAccess(std::string apiBase, TokenProvider* tokens);

    // The current token, empty when there is none; nullopt when it is not valid UTF-8.
    std::optional<std::string> Token() const;
    // A rejected reply whose "ret" is 403 means the token expired: asks for a new one.
    // True when it did.
    bool RefreshTokenIfExpired(std::optional<std::int32_t> ret) const;
    // apiBase + path + "?" + the pairs, each value percent-encoded.
    std::string
    Url(std::string_view path,
        std::initializer_list<std::pair<std::string_view, std::string_view>> query) const;

private:
    std::string apiBase;
    TokenProvider* tokens = nullptr; // not owned
};
