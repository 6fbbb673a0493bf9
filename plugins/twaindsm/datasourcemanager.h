#pragma once

#include "twain.h"

#include <sane/sane.h>

#include <vector>

// The manager's side of the TWAIN protocol over SANE: one object behind the exported
// DSM_Entry. It tracks the TWAIN state (2 loaded, 3 manager open, 4 source open), answers
// operations out of order with a sequence error, and lists SANE's devices, cameras left out,
// as sources. Called on one thread at a time.
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
};
