#pragma once

#include "pageacquisition.h"
#include "scan/twain.h"
#include "sourcecapabilities.h"

#include <sane/sane.h>

#include <deque>
#include <memory>
#include <vector>

// The manager's side of the TWAIN protocol over SANE, and the one source it has open: one
// object behind the exported DSM_Entry. It tracks the TWAIN state (2 loaded, 3 manager open,
// 4 source open, 5 enabled and scanning, 6 pages pending, 7 a page handed over), answers
// operations out of order with a sequence error, and lists SANE's devices, cameras left out,
// as sources. Pages are acquired off the caller's thread; the caller learns of them through
// MSG_PROCESSEVENT. Called on one thread at a time.
class DataSourceManager
{
public:
    DataSourceManager() = default;
    ~DataSourceManager();
    DataSourceManager(const DataSourceManager&) = delete;
    DataSourceManager& operator=(const DataSourceManager&) = delete;

    TW_UINT16 Entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                    TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data);

    int State() const { return state; }

private:
    TW_UINT16 Parent(TW_UINT16 message);
    TW_UINT16 Identity(TW_UINT16 message, TW_IDENTITY* identity);
    TW_UINT16 Status(TW_STATUS* status);
    TW_UINT16 Capability(TW_UINT16 message, TW_CAPABILITY* capability);
    TW_UINT16 UserInterface(TW_UINT16 message, TW_USERINTERFACE* userInterface);
    TW_UINT16 Event(TW_UINT16 message, TW_EVENT* event);
    TW_UINT16 PendingTransfers(TW_UINT16 message, TW_PENDINGXFERS* pending);
    TW_UINT16 ImageInfo(TW_UINT16 message, TW_IMAGEINFO* info);
    TW_UINT16 NativeTransfer(TW_UINT16 message, TW_HANDLE* page);
    bool IsOpenSource(const TW_IDENTITY* destination) const;
    TW_UINT16 Fail(TW_UINT16 condition);
    void ListSources();
    void CloseSource();

    struct Source
    {
        TW_IDENTITY identity;
        const char* deviceName;
    };

    int state = 2;
    TW_UINT16 condition = TWCC_SUCCESS;
    std::vector<Source> sources;
    std::size_t nextSource = 0;
    SANE_Handle device = nullptr;
    TW_IDENTITY openSource{};
    std::unique_ptr<SourceCapabilities> capabilities;
    std::unique_ptr<PageAcquisition> acquisition;
    std::deque<ScannedPage> pages;
};
