#include "rawconnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

RawConnection::RawConnection(int port, const std::string& from)
{
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected = bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    timeval timeout{20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

RawConnection::~RawConnection()
{
    close(fd);
}

bool RawConnection::Send(const std::string& data)
{
    return send(fd, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size());
}

std::string RawConnection::ReadAll()
{
    std::string all;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = recv(fd, chunk, sizeof chunk, 0)) > 0) {
        all.append(chunk, static_cast<std::size_t>(got));
    }
    return all;
}

std::string RawConnection::ReadReply()
{
    std::string all;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = recv(fd, chunk, sizeof chunk, 0)) > 0) {
        all.append(chunk, static_cast<std::size_t>(got));
        const auto end = all.find("\r\n\r\n");
        const auto length = all.find("Content-Length: ");
        if (end != std::string::npos && length != std::string::npos &&
            all.size() >= end + 4 + std::stoul(all.substr(length + 16))) {
            break;
        }
    }
    return all;
}

bool RawConnection::ClosedByServer(int milliseconds)
{
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, milliseconds) <= 0) {
        return false;
    }
    char byte = 0;
    return recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0 || (entry.revents & POLLHUP) != 0;
}
