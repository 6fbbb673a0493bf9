#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Forwards every TCP connection made to its loopback port on to another loopback port and
// keeps the bytes each client sent, so a test sees a request exactly as it went over the wire.
// A connection is known by the local port of its upstream socket, which is what the server
// behind the relay sees as the client's port.
class RecordingRelay
{
public:
    explicit RecordingRelay(int targetPort);
    ~RecordingRelay();
    RecordingRelay(const RecordingRelay&) = delete;
    RecordingRelay& operator=(const RecordingRelay&) = delete;

    int Port() const { return port; }
    // Bytes kept per connection; anything beyond is only counted.
    void SetRecordLimit(std::size_t bytes) { recordLimit = bytes; }

    struct Capture
    {
        std::string bytes;
        std::uint64_t total = 0;
    };
    std::optional<Capture> Captured(int upstreamPort) const;
    // Closes the connection on both sides at once, without a reply to the client.
    void Drop(int upstreamPort);
    // Stops accepting and cuts every connection; the relay can still be asked for captures.
    void Shutdown();

private:
    struct Connection
    {
        int client = -1;
        int upstream = -1;
        int upstreamPort = 0;
        Capture capture;
        std::atomic<int> openDirections{2};
        std::thread toServer;
        std::thread toClient;
    };

    void AcceptLoop();
    void Start(int client);
    void Pump(Connection& connection, bool fromClient);
    void ReapFinished();

    int targetPort;
    int listener = -1;
    int port = 0;
    std::atomic<std::size_t> recordLimit{64 * 1024 * 1024};
    std::atomic<bool> stopping{false};
    mutable std::mutex mutex;
    std::list<std::unique_ptr<Connection>> connections;
    std::thread acceptor;
};
