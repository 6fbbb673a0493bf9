#include "pageacquisition.h"

#include "dibbuilder.h"

#include <poll.h>

#include <chrono>
#include <cstring>

namespace {

constexpr int kReadBufferSize = 64 * 1024;
// How long one wait for data may last before the stop request is looked at again.
constexpr int kPollMs = 20;

TW_UINT16 ConditionOf(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_JAMMED:
        return TWCC_PAPERJAM;
    case SANE_STATUS_NO_DOCS:
        return TWCC_NOMEDIA;
    case SANE_STATUS_COVER_OPEN:
        return TWCC_INTERLOCK;
    case SANE_STATUS_NO_MEM:
        return TWCC_LOWMEMORY;
    case SANE_STATUS_IO_ERROR:
    case SANE_STATUS_DEVICE_BUSY:
    case SANE_STATUS_ACCESS_DENIED:
        return TWCC_CHECKDEVICEONLINE;
    default:
        return TWCC_OPERATIONERROR;
    }
}

TW_INT32 ReadInt32(const std::vector<unsigned char>& dib, std::size_t offset)
{
    TW_INT32 value = 0;
    std::memcpy(&value, dib.data() + offset, sizeof value);
    return value;
}

TW_IMAGEINFO InfoOf(const std::vector<unsigned char>& dib, int dotsPerInch)
{
    TW_IMAGEINFO info{};
    info.XResolution = {static_cast<TW_INT16>(dotsPerInch), 0};
    info.YResolution = info.XResolution;
    info.ImageWidth = ReadInt32(dib, 4);
    info.ImageLength = ReadInt32(dib, 8);
    const int bitCount = dib[14] | dib[15] << 8;
    info.BitsPerPixel = static_cast<TW_INT16>(bitCount);
    info.SamplesPerPixel = bitCount == 24 ? 3 : 1;
    for (int sample = 0; sample < info.SamplesPerPixel; ++sample)
        info.BitsPerSample[sample] = static_cast<TW_INT16>(bitCount == 24 ? 8 : bitCount);
    info.PixelType = bitCount == 1 ? TWPT_BW : bitCount == 8 ? TWPT_GRAY : TWPT_RGB;
    return info;
}

} // namespace

PageAcquisition::PageAcquisition(SANE_Handle device, int pageLimit, int dotsPerInch)
    : device(device), pageLimit(pageLimit), dotsPerInch(dotsPerInch),
      thread([this](std::stop_token stop) { Run(stop); })
{
}

PageAcquisition::~PageAcquisition()
{
    thread.request_stop();
    if (thread.joinable())
        thread.join();
}

PageAcquisition::Progress PageAcquisition::State() const
{
    std::lock_guard lock(mutex);
    return progress;
}

TW_UINT16 PageAcquisition::Failure() const
{
    std::lock_guard lock(mutex);
    return failure;
}

std::deque<ScannedPage> PageAcquisition::TakePages()
{
    std::lock_guard lock(mutex);
    return std::move(pages);
}

void PageAcquisition::Finish(Progress result, TW_UINT16 condition)
{
    std::lock_guard lock(mutex);
    progress = result;
    failure = condition;
    if (result == Progress::Failed)
        pages.clear();
}

void PageAcquisition::Run(std::stop_token stop)
{
    int acquired = 0;
    while (pageLimit == 0 || acquired < pageLimit) {
        std::vector<unsigned char> dib;
        const SANE_Status status = AcquirePage(stop, dib);
        if (stop.stop_requested())
            break;
        // An empty feeder after the first page ends the job as planned.
        if (status == SANE_STATUS_NO_DOCS && acquired > 0)
            break;
        if (status != SANE_STATUS_GOOD) {
            sane_cancel(device);
            Finish(Progress::Failed, ConditionOf(status));
            return;
        }
        ScannedPage page{std::move(dib), {}};
        page.info = InfoOf(page.dib, dotsPerInch);
        {
            std::lock_guard lock(mutex);
            pages.push_back(std::move(page));
        }
        ++acquired;
    }
    sane_cancel(device);
    Finish(stop.stop_requested() ? Progress::Failed : Progress::Done, TWCC_SUCCESS);
}

SANE_Status PageAcquisition::AcquirePage(std::stop_token stop, std::vector<unsigned char>& dib)
{
    DibBuilder builder(dotsPerInch);
    SANE_Parameters parameters{};
    do {
        SANE_Status status = sane_start(device);
        if (status != SANE_STATUS_GOOD)
            return status;
        status = sane_get_parameters(device, &parameters);
        if (status != SANE_STATUS_GOOD)
            return status;
        if (!builder.BeginFrame(parameters))
            return SANE_STATUS_UNSUPPORTED;
        status = ReadFrame(stop, builder);
        if (status != SANE_STATUS_EOF)
            return status;
    } while (!parameters.last_frame);
    dib = builder.Finish();
    return dib.empty() ? SANE_STATUS_IO_ERROR : SANE_STATUS_GOOD;
}

// Reads without blocking where the device allows it, so a stop request is seen while the
// device is silent.
SANE_Status PageAcquisition::ReadFrame(std::stop_token stop, DibBuilder& builder)
{
    const bool nonBlocking = sane_set_io_mode(device, SANE_TRUE) == SANE_STATUS_GOOD;
    SANE_Int selectFd = -1;
    if (nonBlocking && sane_get_select_fd(device, &selectFd) != SANE_STATUS_GOOD)
        selectFd = -1;
    std::vector<SANE_Byte> buffer(kReadBufferSize);
    while (!stop.stop_requested()) {
        SANE_Int length = 0;
        const SANE_Status status = sane_read(device, buffer.data(), kReadBufferSize, &length);
        if (status != SANE_STATUS_GOOD)
            return status;
        if (length > 0) {
            builder.Append(buffer.data(), static_cast<std::size_t>(length));
            continue;
        }
        if (selectFd >= 0) {
            pollfd wait{selectFd, POLLIN, 0};
            poll(&wait, 1, kPollMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    return SANE_STATUS_CANCELLED;
}
