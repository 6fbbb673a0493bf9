#pragma once

#include "requesthead.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The HTTP server with a gate in front of its workers. One thread holds every connection
// while its request arrives (epoll; a slow client costs a descriptor, not a thread) and hands
// only complete requests to the workers: the whole head, and the whole body except on the
// streaming routes. A request must arrive within one time limit, not a limit per byte; one
// address may hold only so many connections. A kept-alive connection returns to the gate.
class GatedServer : public httplib::Server
{
public:
    struct Limits
    {
        std::chrono::milliseconds requestTime{30000}; // head and small body, an idle keep-alive
        std::chrono::milliseconds streamingTime{15 * 60 * 1000}; // a streaming route's body
        std::chrono::milliseconds writeTime{60000};              // to send each part of a reply
        std::size_t connectionsPerAddress = 32;
        std::size_t connections = 4096;
        std::size_t workers = 32;
        std::size_t requestsPerConnection = 100;
        RequestHead::Rules rules;
    };

    explicit GatedServer(Limits limits);
    ~GatedServer() override;
    GatedServer(const GatedServer&) = delete;
    GatedServer& operator=(const GatedServer&) = delete;

    // Closes every connection and joins the threads; call after the listener ended.
    void StopGate();
    // Call after binding: the listening socket's own queue would hold only five connections
    // not yet accepted, so a burst of clients waited for a second try of their connect.
    void WidenBacklog();

private:
    struct Connection
    {
        int fd = -1;
        std::string address;
        std::string received;
        std::chrono::steady_clock::time_point deadline;
        std::size_t requests = 0;
        bool streaming = false;
    };

    // Called by the listener for each accepted socket: admits it to the gate.
    bool process_and_close_socket(int sock) override;

    void RunGate();
    void RunWorker();

    int listener = -1;
    // Reads what arrived; false when the peer closed or failed.
    static bool Receive(Connection& connection);
    // Hands it on, answers a refusal, or keeps it waiting (true).
    bool Decide(Connection& connection);
    void Serve(Connection connection);
    void Return(Connection connection);
    void Refuse(Connection& connection, int status, const std::string& reason);
    void Close(Connection& connection);

    Limits limits;
    std::atomic<bool> stopping{false};
    int epoll = -1;
    int wake = -1; // an eventfd: the inbox has connections

    std::mutex inboxMutex;
    std::vector<Connection> inbox;
    std::map<int, Connection> waiting; // gate thread only, by descriptor

    std::mutex workMutex;
    std::condition_variable workReady;
    std::deque<Connection> work;

    std::mutex countMutex;
    std::map<std::string, std::size_t> perAddress;
    std::size_t total = 0;

    std::thread gate;
    std::vector<std::thread> workers;
};
