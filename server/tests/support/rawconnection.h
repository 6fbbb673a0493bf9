#pragma once

#include <string>

// A raw connection to a loopback port, for requests that a well-behaved client library would
// not send. `from` picks the local loopback address (any of 127.0.0.0/8) it comes from.
class RawConnection
{
public:
    explicit RawConnection(int port, const std::string& from = "127.0.0.1");
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool Send(const std::string& data);
    // Everything until the server closes the connection (or the receive time-out).
    std::string ReadAll();
    // One reply: its headers and as many body bytes as it declares.
    std::string ReadReply();
    // True when the server has closed the connection (waits up to `milliseconds`).
    bool ClosedByServer(int milliseconds);

    bool connected = false;

private:
    int fd = -1;
};
