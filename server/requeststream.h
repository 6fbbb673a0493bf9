#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>

// One request's reads and writes on a non-blocking socket, for httplib to parse and answer.
// Reads first take what the connection gate already received, and all of them end at one
// deadline for the whole request, however the bytes trickle in; a write waits up to
// `writeLimit` for room. What is read past this request stays for the next one (`Leftover`).
class RequestStream : public httplib::Stream
{
public:
    using Clock = std::chrono::steady_clock;

    RequestStream(int fd, std::string received, Clock::time_point readDeadline,
                  std::chrono::milliseconds writeLimit, const std::atomic<bool>& stopping);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return fd; }

    std::string Leftover() &&;

private:
    // Waits for `events` on the socket until `deadline`; false when it passed or on stop.
    bool WaitFor(short events, Clock::time_point deadline) const;

    int fd;
    std::string buffer;
    std::size_t position = 0;
    Clock::time_point readDeadline;
    std::chrono::milliseconds writeLimit;
    const std::atomic<bool>& stopping;
};

// The numeric address and port of a socket's peer (`peer`) or of its own end.
void SocketAddress(int fd, bool peer, std::string& ip, int& port);
