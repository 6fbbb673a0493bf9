#include "requeststream.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr auto kSlice = std::chrono::milliseconds(100);

} // namespace

void SocketAddress(int fd, bool peer, std::string& ip, int& port)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    auto* generic = reinterpret_cast<sockaddr*>(&address);
    const int got = peer ? getpeername(fd, generic, &length) : getsockname(fd, generic, &length);
    char text[INET6_ADDRSTRLEN] = "";
    ip.clear();
    port = 0;
    if (got != 0) {
        return;
    }
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

RequestStream::RequestStream(int fd, std::string received, Clock::time_point readDeadline,
                             std::chrono::milliseconds writeLimit,
                             const std::atomic<bool>& stopping)
    : fd(fd), buffer(std::move(received)), readDeadline(readDeadline), writeLimit(writeLimit),
      stopping(stopping)
{
}

bool RequestStream::WaitFor(short events, Clock::time_point deadline) const
{
    for (;;) {
        const auto now = Clock::now();
        if (stopping.load() || now >= deadline) {
            return false;
        }
        const auto wait = std::min<Clock::duration>(deadline - now, kSlice);
        pollfd entry{fd, events, 0};
        const int ready =
            poll(&entry, 1,
                 static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

bool RequestStream::is_readable() const
{
    return position < buffer.size() || WaitFor(POLLIN, readDeadline);
}

bool RequestStream::is_writable() const
{
    return WaitFor(POLLOUT, Clock::now() + writeLimit);
}

ssize_t RequestStream::read(char* ptr, size_t size)
{
    while (position == buffer.size()) {
        if (!WaitFor(POLLIN, readDeadline)) {
            return -1;
        }
        buffer.resize(kReadChunk);
        position = 0;
        const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
        buffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        if (got == 0) {
            return 0;
        }
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return -1;
        }
    }
    const std::size_t taken = std::min(size, buffer.size() - position);
    std::memcpy(ptr, buffer.data() + position, taken);
    position += taken;
    return static_cast<ssize_t>(taken);
}

ssize_t RequestStream::write(const char* ptr, size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = send(fd, ptr + done, size - done, MSG_NOSIGNAL);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(POLLOUT, Clock::now() + writeLimit)) {
                return -1;
            }
            continue;
        }
        return -1;
    }
    return static_cast<ssize_t>(size);
}

void RequestStream::get_remote_ip_and_port(std::string& ip, int& port) const
{
    SocketAddress(fd, true, ip, port);
}

void RequestStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    SocketAddress(fd, false, ip, port);
}

std::string RequestStream::Leftover() &&
{
    buffer.erase(0, position);
    return std::move(buffer);
}
