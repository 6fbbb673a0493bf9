#pragma once

#include "scan/twain.h"

#include <sane/sane.h>

#include <deque>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

class DibBuilder;

// One page as the application receives it: the packed DIB and what DAT_IMAGEINFO says of it.
struct ScannedPage
{
    std::vector<unsigned char> dib;
    TW_IMAGEINFO info{};
};

// Acquires the pages of one scan job from an open SANE device on a thread of its own, so the
// application's calls never wait for the device. A job ends when `pageLimit` pages are in
// (0: until the feeder is empty), when the device fails, or when it is stopped; a page that
// is not complete is never kept. The manager owns it from enabling to disabling the source.
class PageAcquisition
{
public:
    enum class Progress
    {
        Running,
        Done,
        Failed
    };

    PageAcquisition(SANE_Handle device, int pageLimit, int dotsPerInch);
    // Stops the job and waits for its thread: a device that supports non-blocking reads is
    // left within a few tens of milliseconds.
    ~PageAcquisition();
    PageAcquisition(const PageAcquisition&) = delete;
    PageAcquisition& operator=(const PageAcquisition&) = delete;

    Progress State() const;
    // The condition code of a failed job.
    TW_UINT16 Failure() const;
    // The job's pages once it is done.
    std::deque<ScannedPage> TakePages();

private:
    void Run(std::stop_token stop);
    SANE_Status AcquirePage(std::stop_token stop, std::vector<unsigned char>& dib);
    SANE_Status ReadFrame(std::stop_token stop, DibBuilder& builder);
    void Finish(Progress progress, TW_UINT16 condition);

    SANE_Handle device;
    int pageLimit;
    int dotsPerInch;
    mutable std::mutex mutex;
    Progress progress = Progress::Running;
    TW_UINT16 failure = TWCC_SUCCESS;
    std::deque<ScannedPage> pages;
    std::jthread thread;
};
