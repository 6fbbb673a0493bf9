#include "datasourcemanager.h"

#include "utility/textcase.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

void CopyName(TW_STR32& target, const std::string& text)
{
    std::memset(target, 0, sizeof target);
    std::memcpy(target, text.data(), std::min(text.size(), sizeof target - 1));
}

bool IsCamera(const SANE_Device& device)
{
    const std::string text = ToLower(std::string(device.type ? device.type : "") + " " +
                                     (device.model ? device.model : ""));
    return text.find("camera") != std::string::npos || text.find("webcam") != std::string::npos;
}

} // namespace

DataSourceManager::~DataSourceManager()
{
    if (state >= 3)
        Parent(MSG_CLOSEDSM);
}

TW_UINT16 DataSourceManager::Entry(TW_IDENTITY* origin, TW_IDENTITY*, TW_UINT32 group,
                                   TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data)
{
    if (!origin || group != DG_CONTROL)
        return Fail(TWCC_BADPROTOCOL);
    switch (argument) {
    case DAT_PARENT:
        return Parent(message);
    case DAT_IDENTITY:
        return Identity(message, static_cast<TW_IDENTITY*>(data));
    case DAT_STATUS:
        return Status(static_cast<TW_STATUS*>(data));
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSourceManager::Parent(TW_UINT16 message)
{
    if (message == MSG_OPENDSM) {
        if (state != 2)
            return Fail(TWCC_SEQERROR);
        if (sane_init(nullptr, nullptr) != SANE_STATUS_GOOD)
            return Fail(TWCC_BUMMER);
        state = 3;
        return TWRC_SUCCESS;
    }
    if (message == MSG_CLOSEDSM) {
        if (state < 3)
            return Fail(TWCC_SEQERROR);
        CloseSource();
        sources.clear();
        sane_exit();
        state = 2;
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

void DataSourceManager::ListSources()
{
    sources.clear();
    const SANE_Device** devices = nullptr;
    if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || !devices)
        return;
    for (const SANE_Device** device = devices; *device; ++device) {
        if (IsCamera(**device))
            continue;
        Source source{};
        TW_IDENTITY& identity = source.identity;
        identity.Id = static_cast<TW_UINT32>(sources.size() + 1);
        identity.ProtocolMajor = 2;
        identity.ProtocolMinor = 4;
        identity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
        CopyName(identity.Manufacturer, (*device)->vendor ? (*device)->vendor : "");
        CopyName(identity.ProductFamily, (*device)->type ? (*device)->type : "");
        // Two devices of one model stay apart by SANE's device name.
        CopyName(identity.ProductName, std::string((*device)->model ? (*device)->model : "") +
                                           " (" + (*device)->name + ")");
        source.deviceName = (*device)->name;
        sources.push_back(source);
    }
}

TW_UINT16 DataSourceManager::Identity(TW_UINT16 message, TW_IDENTITY* identity)
{
    if (state < 3)
        return Fail(TWCC_SEQERROR);
    if (!identity)
        return Fail(TWCC_BADVALUE);
    switch (message) {
    case MSG_GETFIRST:
        ListSources();
        nextSource = 0;
        [[fallthrough]];
    case MSG_GETNEXT:
        if (nextSource >= sources.size())
            return TWRC_ENDOFLIST;
        *identity = sources[nextSource++].identity;
        return TWRC_SUCCESS;
    case MSG_OPENDS: {
        if (state != 3)
            return Fail(TWCC_SEQERROR);
        if (sources.empty())
            ListSources();
        const auto found =
            std::find_if(sources.begin(), sources.end(), [identity](const Source& s) {
                return std::strncmp(s.identity.ProductName, identity->ProductName,
                                    sizeof identity->ProductName) == 0;
            });
        if (found == sources.end())
            return Fail(TWCC_NODS);
        if (sane_open(found->deviceName, &device) != SANE_STATUS_GOOD) {
            device = nullptr;
            return Fail(TWCC_CHECKDEVICEONLINE);
        }
        openSource = found->identity;
        *identity = openSource;
        state = 4;
        return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
        if (state != 4)
            return Fail(TWCC_SEQERROR);
        CloseSource();
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

void DataSourceManager::CloseSource()
{
    if (device)
        sane_close(device);
    device = nullptr;
    if (state > 3)
        state = 3;
}

TW_UINT16 DataSourceManager::Status(TW_STATUS* status)
{
    if (!status)
        return Fail(TWCC_BADVALUE);
    status->ConditionCode = condition;
    status->Data = 0;
    condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSourceManager::Fail(TW_UINT16 code)
{
    condition = code;
    return TWRC_FAILURE;
}
