#pragma once

#include <string>

// Sign-in at a central authentication service over its REST protocol: user name and password
// give a ticket-granting ticket (a URL); each service ticket is asked for at that URL; deleting
// the URL signs out.
class CasClient
{
public:
    enum class Status
    {
        Ok,
        Rejected,    // wrong credentials, or the granting ticket is no longer valid
        Unreachable, // no answer, or an answer that makes no sense
        Insecure,    // the password would cross a network unencrypted: nothing was sent
    };

    struct Result
    {
        Status status = Status::Unreachable;
        std::string value; // the granting ticket's URL or the service ticket
    };

    // `ssoUrl` is the service's base address ("<scheme>://<host>/<path>").
    explicit CasClient(std::string ssoUrl);

    Result RequestGrantingTicket(const std::string& userName, const std::string& password) const;
    Result RequestServiceTicket(const std::string& grantingTicketUrl,
                                const std::string& service) const;
    Status Destroy(const std::string& grantingTicketUrl) const;

private:
    std::string ssoUrl;
};
