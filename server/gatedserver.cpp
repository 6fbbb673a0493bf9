#include "gatedserver.h"

#include "requeststream.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxReceived = 256 * 1024;
constexpr auto kExpiryScan = std::chrono::milliseconds(100);

// The listener hands each socket straight to the gate, on its own thread.
class Inline : public httplib::TaskQueue
{
public:
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
};

const char* StatusText(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Service Unavailable";
    }
}

// A short reply in the service's JSON shape, sent without waiting; the connection closes.
void SendRefusal(int fd, int status, const std::string& reason)
{
    const std::string body = "{\"ret\":" + std::to_string(status) + ",\"msg\":\"" + reason + "\"}";
    const std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + StatusText(status) +
                              "\r\nContent-Type: application/json; charset=utf-8\r\n"
                              "Content-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    [[maybe_unused]] const auto sent =
        send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    shutdown(fd, SHUT_WR);
}

} // namespace

GatedServer::GatedServer(Limits limits) : limits(std::move(limits))
{
    new_task_queue = [] { return new Inline; };
    set_socket_options([this](int sock) {
        httplib::default_socket_options(sock);
        listener = sock;
    });
    epoll = epoll_create1(EPOLL_CLOEXEC);
    wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = wake;
    epoll_ctl(epoll, EPOLL_CTL_ADD, wake, &event);
    gate = std::thread([this] { RunGate(); });
    for (std::size_t i = 0; i < this->limits.workers; ++i) {
        workers.emplace_back([this] { RunWorker(); });
    }
}

GatedServer::~GatedServer()
{
    StopGate();
}

void GatedServer::StopGate()
{
    {
        std::lock_guard lock(workMutex);
        if (stopping) {
            return;
        }
        stopping = true;
    }
    workReady.notify_all();
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake, &one, sizeof one);
    gate.join();
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (Connection& connection : work) {
        Close(connection);
    }
    for (Connection& connection : inbox) {
        Close(connection);
    }
    close(epoll);
    close(wake);
}

bool GatedServer::process_and_close_socket(int sock)
{
    Connection connection;
    connection.fd = sock;
    int port = 0;
    SocketAddress(sock, true, connection.address, port);
    {
        std::lock_guard lock(countMutex);
        std::size_t& fromAddress = perAddress[connection.address];
        if (stopping || total >= limits.connections ||
            fromAddress >= limits.connectionsPerAddress) {
            if (fromAddress == 0) {
                perAddress.erase(connection.address);
            }
            SendRefusal(sock, 503, "too many connections from this address");
            close(sock);
            return false;
        }
        ++fromAddress;
        ++total;
    }
    fcntl(sock, F_SETFL, fcntl(sock, F_GETFL) | O_NONBLOCK);
    connection.deadline = Clock::now() + limits.requestTime;
    Return(std::move(connection));
    return true;
}

void GatedServer::WidenBacklog()
{
    if (listener >= 0) {
        ::listen(listener, SOMAXCONN);
    }
}

void GatedServer::Return(Connection connection)
{
    {
        std::lock_guard lock(inboxMutex);
        inbox.push_back(std::move(connection));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake, &one, sizeof one);
}

bool GatedServer::Receive(Connection& connection)
{
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t got = recv(connection.fd, chunk, sizeof chunk, 0);
        if (got > 0) {
            connection.received.append(chunk, static_cast<std::size_t>(got));
            if (connection.received.size() > kMaxReceived) {
                return true; // the verdict refuses it
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

bool GatedServer::Decide(Connection& connection)
{
    const RequestHead::Verdict verdict = RequestHead::Examine(connection.received, limits.rules);
    switch (verdict.readiness) {
    case RequestHead::Readiness::Incomplete:
        return true;
    case RequestHead::Readiness::Refused:
        Refuse(connection, verdict.status, verdict.reason);
        return false;
    case RequestHead::Readiness::Ready:
        break;
    }
    connection.streaming = verdict.streaming;
    {
        std::lock_guard lock(workMutex);
        work.push_back(std::move(connection));
    }
    workReady.notify_one();
    return false;
}

void GatedServer::RunGate()
{
    auto nextScan = Clock::now() + kExpiryScan;
    epoll_event events[128];
    while (!stopping) {
        const int count = epoll_wait(epoll, events, 128, 100);
        for (int i = 0; i < count; ++i) {
            const int fd = events[i].data.fd;
            if (fd == wake) {
                std::uint64_t ignored = 0;
                [[maybe_unused]] const auto got = read(wake, &ignored, sizeof ignored);
                std::vector<Connection> arrived;
                {
                    std::lock_guard lock(inboxMutex);
                    arrived.swap(inbox);
                }
                for (Connection& connection : arrived) {
                    const int socket = connection.fd;
                    // A kept-alive connection may hold its next request already.
                    if (Decide(connection)) {
                        epoll_event event{};
                        event.events = EPOLLIN | EPOLLRDHUP;
                        event.data.fd = socket;
                        epoll_ctl(epoll, EPOLL_CTL_ADD, socket, &event);
                        waiting.emplace(socket, std::move(connection));
                    }
                }
                continue;
            }
            const auto found = waiting.find(fd);
            if (found == waiting.end()) {
                continue;
            }
            // Off the gate first: a worker may close the descriptor once it has it.
            const bool alive = Receive(found->second);
            epoll_ctl(epoll, EPOLL_CTL_DEL, fd, nullptr);
            if (!alive) {
                Close(found->second);
                waiting.erase(found);
            } else if (Decide(found->second)) {
                epoll_event event{};
                event.events = EPOLLIN | EPOLLRDHUP;
                event.data.fd = fd;
                epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
            } else {
                waiting.erase(found);
            }
        }
        const auto now = Clock::now();
        if (now < nextScan) {
            continue;
        }
        nextScan = now + kExpiryScan;
        for (auto it = waiting.begin(); it != waiting.end();) {
            if (it->second.deadline > now) {
                ++it;
                continue;
            }
            epoll_ctl(epoll, EPOLL_CTL_DEL, it->first, nullptr);
            if (it->second.received.empty()) {
                Close(it->second); // an idle kept-alive connection ends quietly
            } else {
                Refuse(it->second, 408, "the request did not arrive in time");
            }
            it = waiting.erase(it);
        }
    }
    for (auto& [fd, connection] : waiting) {
        Close(connection);
    }
    waiting.clear();
}

void GatedServer::RunWorker()
{
    for (;;) {
        Connection connection;
        {
            std::unique_lock lock(workMutex);
            workReady.wait(lock, [this] { return stopping || !work.empty(); });
            if (stopping) {
                return;
            }
            connection = std::move(work.front());
            work.pop_front();
        }
        Serve(std::move(connection));
    }
}

void GatedServer::Serve(Connection connection)
{
    const auto readLimit = connection.streaming ? limits.streamingTime : limits.requestTime;
    RequestStream stream(connection.fd, std::move(connection.received), Clock::now() + readLimit,
                         limits.writeTime, stopping);
    ++connection.requests;
    bool closed = false;
    const bool served = process_request(stream, connection.requests >= limits.requestsPerConnection,
                                        closed, nullptr);
    if (!served || closed || stopping) {
        Close(connection);
        return;
    }
    connection.received = std::move(stream).Leftover();
    connection.deadline = Clock::now() + limits.requestTime;
    Return(std::move(connection));
}

void GatedServer::Refuse(Connection& connection, int status, const std::string& reason)
{
    SendRefusal(connection.fd, status, reason);
    Close(connection);
}

void GatedServer::Close(Connection& connection)
{
    if (connection.fd < 0) {
        return;
    }
    close(connection.fd);
    connection.fd = -1;
    std::lock_guard lock(countMutex);
    --total;
    if (--perAddress[connection.address] == 0) {
        perAddress.erase(connection.address);
    }
}
