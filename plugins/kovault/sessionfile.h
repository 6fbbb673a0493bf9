#pragma once

#include <optional>
#include <string>

// A sign-in kept across restarts: the granting ticket's URL and the user it belongs to.
struct KeptSession
{
    std::string grantingTicketUrl;
    std::string userName;
};

// The file in the application-data directory that keeps the sign-in, readable and writable
// by its owner only.
class SessionFile
{
public:
    // Uses the application-data directory; an empty path when it cannot be obtained.
    SessionFile();
    explicit SessionFile(std::string path) : path(std::move(path)) {}

    std::optional<KeptSession> Load() const;
    bool Save(const KeptSession& session) const;
    void Remove() const;

private:
    std::string path;
};
