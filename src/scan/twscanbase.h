#pragma once

#include "scan/twain.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MessageTarget;

// What one scan asks of the source.
struct ScanSettings
{
    std::int16_t side = 0;      // 0 single-sided, 1 double-sided
    std::int16_t paperSize = 0; // TWSS code
    std::int16_t pixelMode = 0; // TWPT_BW, TWPT_GRAY or TWPT_RGB
    std::int16_t resolution = 100;
    std::int16_t transferCount = -1; // -1: all pages
    std::string sourceName;
};

// How a look at the source's events ended.
enum class ScanEvent
{
    None,       // nothing new; still scanning if a scan runs
    PagesSaved, // the scan's pages were written, WM_OPEN_IN_VIEWER posted for each
    DeviceLost, // the source stopped answering mid-scan; no page was written
    ScanFailed, // the source ended the scan for another reason (no paper, a jam...)
    SaveFailed, // a page could not be written; nothing half-written is left
};

// The client side of TWAIN: loads the data source manager, lists the scanners (cameras left
// out), opens one, negotiates the scan and writes each delivered page as a BMP file. There is
// no message pump to hook, so the owner polls ProcessEvent from a timer while a scan runs;
// every call returns at once. Owned by the scanner window, used on its thread only.
class TW_ScanBase
{
public:
    // Gives the manager's DSM_Entry, null when the manager cannot be loaded.
    using ManagerLoader = std::function<DSMENTRYPROC()>;

    explicit TW_ScanBase(ManagerLoader loadManager);
    virtual ~TW_ScanBase();
    TW_ScanBase(const TW_ScanBase&) = delete;
    TW_ScanBase& operator=(const TW_ScanBase&) = delete;

    // Only native transfer exists: mode 0, which nothing changes.
    virtual void SetTransferMode(int mode);
    virtual int GetTransferMode();

    // 1 when the manager is open (at once if it already was), else 0. `parent` receives
    // WM_OPEN_IN_VIEWER for every saved page.
    int Open(MessageTarget* parent);
    const std::vector<std::string>& ListSourceNames();
    bool OpenSource(const std::string& name);
    void CloseSource();
    void DisableSource();
    // Adds the source's paper size codes to `list` (once each) with the feeder set to
    // `feeder`; 0 when the feeder setting or the query failed outright, else 1.
    int GetSupportedSizes(std::vector<int>& list, int feeder);
    // Negotiates `settings` with the named source and enables it; the pages arrive through
    // ProcessEvent. 1 when the source is enabled and scanning.
    int Scan(ScanSettings settings);
    ScanEvent ProcessEvent();
    // Disables and closes the source and closes the manager.
    void Close();

    bool IsScanning() const { return sourceEnabled != 0; }
    void SetOutputDirectory(std::string directory);
    void SetImageName(std::string name) { imageName = std::move(name); }

private:
    TW_UINT16 Call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 argument, TW_UINT16 message,
                   TW_MEMREF data);
    TW_UINT16 CallSource(TW_UINT32 group, TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data);
    TW_UINT16 FetchCondition(TW_IDENTITY* destination);
    void EnumerateSources();
    TW_UINT16 SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item);
    TW_UINT16 SetFixCapability(TW_UINT16 cap, double value);
    TW_UINT16 SetFrame(int paperSize);
    ScanEvent TransferPages();
    bool SavePage(const void* dib);

    ManagerLoader loadManager;
    MessageTarget* parentWindow = nullptr;
    DSMENTRYPROC dsmEntry = nullptr;
    TW_USERINTERFACE userInterface{};
    TW_IDENTITY appIdentity{};
    std::vector<TW_IDENTITY> sources;
    std::vector<std::string> sourceNames;
    bool sourcesListed = false;
    TW_IDENTITY currentSource{};
    int dsmOpen = 0;
    int sourceOpen = 0;
    int sourceEnabled = 0;
    int initialised = 0;
    int transferMode = 0;
    std::string outputDirectory;
    std::string imageName;
};
