#include "datasourcemanager.h"
#include "scan/twaincontainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// The manager against SANE's test backend, enabled by a configuration directory of our own.
class DataSourceManagerTest : public ::testing::Test
{
protected:
    // SANE reads its configuration directory once per process, so each configuration's tests
    // run in a process of their own (see tests/CMakeLists.txt).
    void SetUp() override
    {
        setenv("SANE_CONFIG_DIR", (std::string(DOKORA_SOURCE_DIR "/tests/data/") + config).c_str(),
               1);
    }

    TW_UINT16 Call(TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data)
    {
        return manager.Entry(&app, nullptr, DG_CONTROL, argument, message, data);
    }

    TW_UINT16 Condition()
    {
        TW_STATUS status{};
        EXPECT_EQ(Call(DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }

    std::vector<std::string> SourceNames()
    {
        std::vector<std::string> names;
        TW_IDENTITY source{};
        for (TW_UINT16 message = MSG_GETFIRST; Call(DAT_IDENTITY, message, &source) == TWRC_SUCCESS;
             message = MSG_GETNEXT)
            names.emplace_back(source.ProductName);
        return names;
    }

    // Opens the manager and its first device.
    void OpenFirstSource()
    {
        int parent = 0;
        ASSERT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
        TW_IDENTITY first{};
        ASSERT_EQ(Call(DAT_IDENTITY, MSG_GETFIRST, &first), TWRC_SUCCESS);
        source = first;
        ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    }

    TW_UINT16 CallSource(TW_UINT32 group, TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data)
    {
        return manager.Entry(&app, &source, group, argument, message, data);
    }

    TW_UINT16 Set(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item)
    {
        TW_ONEVALUE value{itemType, item};
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, &value};
        return CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    }

    TW_UINT16 SetFrame(double left, double top, double right, double bottom)
    {
        TW_ONEVALUE_FRAME value{TWTY_FRAME,
                                {ToFix32(left), ToFix32(top), ToFix32(right), ToFix32(bottom)}};
        TW_CAPABILITY capability{ICAP_FRAMES, TWON_ONEVALUE, &value};
        return CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    }

    // The capability's one value as the source reports it.
    CapabilityValue Get(TW_UINT16 cap, TW_UINT16 message = MSG_GET)
    {
        TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(CallSource(DG_CONTROL, DAT_CAPABILITY, message, &capability), TWRC_SUCCESS);
        const auto value = ReadOneValue(capability);
        std::free(capability.hContainer);
        return value.value_or(CapabilityValue{});
    }

    TW_UINT16 Enable()
    {
        TW_USERINTERFACE ui{0, 1, nullptr};
        return CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }

    TW_UINT16 Disable()
    {
        TW_USERINTERFACE ui{0, 1, nullptr};
        return CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    }

    // The source's next event, polled as the application's timer does.
    TW_UINT16 WaitForEvent()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < end) {
            TW_EVENT event{nullptr, MSG_NULL};
            if (CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT)
                return event.TWMessage;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return MSG_NULL;
    }

    // Ends the current transfer; the pages still pending.
    int EndTransfer()
    {
        TW_PENDINGXFERS pending{};
        EXPECT_EQ(CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        return pending.Count;
    }

    const char* config = "sane"; // the directory below tests/data/
    DataSourceManager manager;
    TW_IDENTITY app{};
    TW_IDENTITY source{};
};

// A device that stops answering in the middle of every page.
class LostScannerTest : public DataSourceManagerTest
{
protected:
    LostScannerTest() { config = "sane-lost"; }
};

// A device so slow that a scan is still running when the test stops it.
class SlowScannerTest : public DataSourceManagerTest
{
protected:
    SlowScannerTest() { config = "sane-slow"; }
};

} // namespace

TEST_F(DataSourceManagerTest, ListsTheTestDevicesOnceTheManagerIsOpen)
{
    int parent = 0;
    TW_IDENTITY source{};
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_GETFIRST, &source), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);

    ASSERT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 3);
    EXPECT_EQ(SourceNames(),
              (std::vector<std::string>{"frontend-tester (test:0)", "frontend-tester (test:1)"}));
    EXPECT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
}

TEST_F(DataSourceManagerTest, OpensAndClosesASourceByItsProductNameInTheStatesTheProtocolAllows)
{
    int parent = 0;
    ASSERT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    TW_IDENTITY wanted{};
    std::strcpy(wanted.ProductName, "frontend-tester (test:1)");
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_CLOSEDS, &wanted), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);

    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &wanted), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 4);
    EXPECT_EQ(wanted.Id, 2u);
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &wanted), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_CLOSEDS, &wanted), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 3);

    TW_IDENTITY missing{};
    std::strcpy(missing.ProductName, "no such scanner");
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &missing), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_NODS);

    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &wanted), TWRC_SUCCESS);
    EXPECT_EQ(Call(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 2);
    EXPECT_EQ(Call(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_FAILURE);
}

TEST_F(DataSourceManagerTest, NegotiatesCapabilitiesOntoTheDeviceOptions)
{
    OpenFirstSource();
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
    EXPECT_EQ(Get(ICAP_PIXELTYPE).item, TWPT_RGB);
    // The test device has no line-art mode: black and white is grey at one bit.
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW), TWRC_SUCCESS);
    EXPECT_EQ(Get(ICAP_PIXELTYPE).item, TWPT_BW);
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, 7), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);

    EXPECT_EQ(Set(ICAP_XRESOLUTION, TWTY_FIX32, FixValue(100).item), TWRC_SUCCESS);
    EXPECT_DOUBLE_EQ(FixOf(Get(ICAP_XRESOLUTION)), 100);
    EXPECT_EQ(Set(ICAP_XRESOLUTION, TWTY_FIX32, FixValue(5000).item), TWRC_FAILURE);

    EXPECT_EQ(Set(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
    EXPECT_EQ(Get(CAP_FEEDERENABLED).item, 1u);
    EXPECT_EQ(Set(CAP_DUPLEXENABLED, TWTY_BOOL, 1), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(Set(CAP_FEEDERENABLED, TWTY_BOOL, 0), TWRC_SUCCESS);
    EXPECT_EQ(Get(CAP_FEEDERENABLED).item, 0u);

    EXPECT_EQ(Set(CAP_XFERCOUNT, TWTY_INT16, 0), TWRC_FAILURE);
    EXPECT_EQ(Set(CAP_XFERCOUNT, TWTY_INT16, 4), TWRC_SUCCESS);
    EXPECT_EQ(Get(CAP_XFERCOUNT, MSG_RESET).item, 0xFFFFu);
}

TEST_F(DataSourceManagerTest, FramesAndPaperSizesFollowTheScanArea)
{
    OpenFirstSource();
    // A paper without a size arrives as an empty frame: refused, the area stays as it was.
    EXPECT_EQ(SetFrame(0, 0, 0, 0), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    ASSERT_EQ(Set(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES), TWRC_SUCCESS);
    EXPECT_EQ(SetFrame(0, 0, 8.268, 11.693), TWRC_SUCCESS);
    EXPECT_EQ(Get(ICAP_SUPPORTEDSIZES, MSG_GETCURRENT).item, TWSS_A4);
    const TW_FRAME frame = Get(ICAP_FRAMES).frame;
    EXPECT_NEAR(FromFix32(frame.Right), 8.268, 0.01);
    EXPECT_NEAR(FromFix32(frame.Bottom), 11.693, 0.01);
    // Wider than the 300 mm the device can: cut to the area and said so.
    EXPECT_EQ(SetFrame(0, 0, 8, 13), TWRC_CHECKSTATUS);
    EXPECT_NEAR(FromFix32(Get(ICAP_FRAMES).frame.Bottom), 300 / 25.4, 0.01);

    TW_CAPABILITY sizes{ICAP_SUPPORTEDSIZES, TWON_DONTCARE16, nullptr};
    ASSERT_EQ(CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &sizes), TWRC_SUCCESS);
    const auto codes = ReadUInt16Enumeration(sizes);
    std::free(sizes.hContainer);
    ASSERT_TRUE(codes);
    const auto has = [&codes](TW_UINT16 code) {
        return std::find(codes->begin(), codes->end(), code) != codes->end();
    };
    EXPECT_TRUE(has(TWSS_A4));
    EXPECT_TRUE(has(TWSS_USLETTER));
    EXPECT_FALSE(has(11)) << "A3 is taller than the device's area";
}

TEST_F(DataSourceManagerTest, ScansAPageThroughTheTransferStates)
{
    OpenFirstSource();
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
    TW_HANDLE page = nullptr;
    EXPECT_EQ(CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &page), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);

    ASSERT_EQ(Enable(), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 5);
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    ASSERT_EQ(WaitForEvent(), MSG_XFERREADY);
    EXPECT_EQ(manager.State(), 6);

    TW_IMAGEINFO info{};
    ASSERT_EQ(CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(info.BitsPerPixel, 8);
    EXPECT_EQ(info.PixelType, TWPT_GRAY);
    EXPECT_GT(info.ImageWidth, 0);
    ASSERT_EQ(CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &page), TWRC_XFERDONE);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(manager.State(), 7);
    const auto* dib = static_cast<const unsigned char*>(page);
    std::int32_t width = 0;
    std::memcpy(&width, dib + 4, 4);
    EXPECT_EQ(width, info.ImageWidth);
    EXPECT_EQ(dib[14], 8);
    std::free(page);

    EXPECT_EQ(EndTransfer(), 0);
    EXPECT_EQ(manager.State(), 5);
    EXPECT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 4);
    EXPECT_EQ(Disable(), TWRC_FAILURE);
}

TEST_F(DataSourceManagerTest, FeederPagesArePendingTransfers)
{
    OpenFirstSource();
    ASSERT_EQ(Set(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
    ASSERT_EQ(Set(CAP_XFERCOUNT, TWTY_INT16, 4), TWRC_SUCCESS);
    ASSERT_EQ(Enable(), TWRC_SUCCESS);
    ASSERT_EQ(WaitForEvent(), MSG_XFERREADY);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 4);
    std::vector<int> counts;
    for (int page = 0; page < 4; ++page)
        counts.push_back(EndTransfer());
    EXPECT_EQ(counts, (std::vector<int>{3, 2, 1, 0}));
    ASSERT_EQ(Disable(), TWRC_SUCCESS);

    // All pages: until the test device's feeder runs empty after ten.
    ASSERT_EQ(Set(CAP_XFERCOUNT, TWTY_INT16, 0xFFFF), TWRC_SUCCESS);
    ASSERT_EQ(Enable(), TWRC_SUCCESS);
    ASSERT_EQ(WaitForEvent(), MSG_XFERREADY);
    ASSERT_EQ(CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(manager.State(), 5);
}

TEST_F(LostScannerTest, ADeviceLostMidScanAsksToCloseTheSource)
{
    OpenFirstSource();
    ASSERT_EQ(Enable(), TWRC_SUCCESS);
    EXPECT_EQ(WaitForEvent(), MSG_CLOSEDSREQ);
    EXPECT_EQ(Condition(), TWCC_CHECKDEVICEONLINE);
    EXPECT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
}

TEST_F(SlowScannerTest, DisablingStopsAScanInProgress)
{
    OpenFirstSource();
    ASSERT_EQ(Enable(), TWRC_SUCCESS);
    TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_FAILURE)
        << "the device is busy scanning";
    TW_EVENT event{nullptr, MSG_NULL};
    EXPECT_EQ(CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    EXPECT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 4);
    // The device is free for the next scan.
    EXPECT_EQ(Enable(), TWRC_SUCCESS);
    EXPECT_EQ(Disable(), TWRC_SUCCESS);
}
