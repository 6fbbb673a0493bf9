#pragma once

#include "base/windowmessage.h"
#include "task/conversionsession.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

// Drives a conversion session without a window, for the command-line converter and tests:
// the threads' messages queue here, Step hands the session what it waits for and runs its
// later work, and the checks before a start pass, as the program signed in beforehand.
// Attaches itself for its lifetime. Step and the session on one thread; posts from any.
class HeadlessDriver : public ConversionHost, public MessageTarget
{
public:
    explicit HeadlessDriver(ConversionSession& session);
    ~HeadlessDriver() override;
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;

    // Any thread.
    void PostWindowMessage(WindowMessage message) override;

    // Waits up to `timeout` for messages (less when later work falls due first), hands each
    // WM_CONVERT_FINISH to the session, runs the work that is due; the messages that came.
    std::vector<WindowMessage> Step(std::chrono::milliseconds timeout);
    // True once the session reported the end of a run.
    bool Finished() const { return finished; }

    bool SignedIn() override { return true; }
    bool SessionReady() override { return true; }
    bool ServiceDataReady() override { return true; }
    void After(std::chrono::milliseconds delay, std::function<void()> work) override;
    void RowsChanged() override {}
    void RowChanged(int) override {}
    void RunFinished() override { finished = true; }

private:
    using Clock = std::chrono::steady_clock;

    void RunDueWork();

    ConversionSession& session;
    bool finished = false;
    std::multimap<Clock::time_point, std::function<void()>> later; // driving thread only
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<WindowMessage> pending; // guarded by mutex
};
