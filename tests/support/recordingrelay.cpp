#include "support/recordingrelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

int LocalPort(int socket)
{
    sockaddr_in address = {};
    socklen_t length = sizeof(address);
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

sockaddr_in Loopback(int port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool SendAll(int socket, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

} // namespace

RecordingRelay::RecordingRelay(int targetPort) : targetPort(targetPort)
{
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(0);
    if (listener < 0 ||
        bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 64) != 0) {
        return;
    }
    port = LocalPort(listener);
    acceptor = std::thread([this] { AcceptLoop(); });
}

RecordingRelay::~RecordingRelay()
{
    Shutdown();
    for (auto& connection : connections) {
        connection->toServer.join();
        connection->toClient.join();
        close(connection->client);
        close(connection->upstream);
    }
    if (listener >= 0) {
        close(listener);
    }
}

void RecordingRelay::Shutdown()
{
    stopping = true;
    if (listener >= 0) {
        shutdown(listener, SHUT_RDWR);
    }
    if (acceptor.joinable()) {
        acceptor.join();
    }
    std::lock_guard lock(mutex);
    for (auto& connection : connections) {
        shutdown(connection->client, SHUT_RDWR);
        shutdown(connection->upstream, SHUT_RDWR);
    }
}

std::optional<RecordingRelay::Capture> RecordingRelay::Captured(int upstreamPort) const
{
    std::lock_guard lock(mutex);
    for (const auto& connection : connections) {
        if (connection->upstreamPort == upstreamPort) {
            return connection->capture;
        }
    }
    return std::nullopt;
}

void RecordingRelay::Drop(int upstreamPort)
{
    std::lock_guard lock(mutex);
    for (const auto& connection : connections) {
        if (connection->upstreamPort == upstreamPort) {
            shutdown(connection->client, SHUT_RDWR);
            shutdown(connection->upstream, SHUT_RDWR);
        }
    }
}

void RecordingRelay::AcceptLoop()
{
    while (!stopping) {
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        ReapFinished();
        Start(client);
    }
}

void RecordingRelay::Start(int client)
{
    const int upstream = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(targetPort);
    if (upstream < 0 ||
        connect(upstream, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close(client);
        if (upstream >= 0) {
            close(upstream);
        }
        return;
    }
    const int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    setsockopt(upstream, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    auto connection = std::make_unique<Connection>();
    connection->client = client;
    connection->upstream = upstream;
    connection->upstreamPort = LocalPort(upstream);
    Connection& started = *connection;
    std::lock_guard lock(mutex);
    connections.push_back(std::move(connection));
    started.toServer = std::thread([this, &started] { Pump(started, true); });
    started.toClient = std::thread([this, &started] { Pump(started, false); });
}

void RecordingRelay::Pump(Connection& connection, bool fromClient)
{
    const int from = fromClient ? connection.client : connection.upstream;
    const int to = fromClient ? connection.upstream : connection.client;
    std::vector<char> buffer(256 * 1024);
    bool clean = true;
    for (;;) {
        const ssize_t received = recv(from, buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            clean = received == 0;
            break;
        }
        if (fromClient) {
            std::lock_guard lock(mutex);
            Capture& capture = connection.capture;
            const std::size_t limit = recordLimit;
            if (capture.bytes.size() < limit) {
                capture.bytes.append(buffer.data(), std::min(static_cast<std::size_t>(received),
                                                             limit - capture.bytes.size()));
            }
            capture.total += static_cast<std::uint64_t>(received);
        }
        if (!SendAll(to, buffer.data(), static_cast<std::size_t>(received))) {
            clean = false;
            break;
        }
    }
    // An orderly end is passed on as such; an error ends both directions.
    if (clean) {
        shutdown(to, SHUT_WR);
    } else {
        shutdown(from, SHUT_RDWR);
        shutdown(to, SHUT_RDWR);
    }
    --connection.openDirections;
}

void RecordingRelay::ReapFinished()
{
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard lock(mutex);
        for (auto it = connections.begin(); it != connections.end();) {
            if ((*it)->openDirections == 0) {
                finished.splice(finished.end(), connections, it++);
            } else {
                ++it;
            }
        }
    }
    for (auto& connection : finished) {
        connection->toServer.join();
        connection->toClient.join();
        close(connection->client);
        close(connection->upstream);
    }
}
