#include "datasourcemanager.h"

#include "utility/textcase.h"

#include <algorithm>
#include <cstdlib>
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

TW_UINT16 DataSourceManager::Entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                                   TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data)
{
    if (!origin)
        return Fail(TWCC_BADPROTOCOL);
    if (group == DG_CONTROL) {
        switch (argument) {
        case DAT_PARENT:
            return Parent(message);
        case DAT_IDENTITY:
            return Identity(message, static_cast<TW_IDENTITY*>(data));
        case DAT_STATUS:
            return Status(static_cast<TW_STATUS*>(data));
        default:
            break;
        }
    }
    // Everything else is addressed to the open source.
    if (state < 4)
        return Fail(TWCC_SEQERROR);
    if (!IsOpenSource(destination))
        return Fail(TWCC_BADDEST);
    if (group == DG_CONTROL) {
        switch (argument) {
        case DAT_CAPABILITY:
            return Capability(message, static_cast<TW_CAPABILITY*>(data));
        case DAT_USERINTERFACE:
            return UserInterface(message, static_cast<TW_USERINTERFACE*>(data));
        case DAT_EVENT:
            return Event(message, static_cast<TW_EVENT*>(data));
        case DAT_PENDINGXFERS:
            return PendingTransfers(message, static_cast<TW_PENDINGXFERS*>(data));
        default:
            break;
        }
    } else if (group == DG_IMAGE) {
        switch (argument) {
        case DAT_IMAGEINFO:
            return ImageInfo(message, static_cast<TW_IMAGEINFO*>(data));
        case DAT_IMAGENATIVEXFER:
            return NativeTransfer(message, static_cast<TW_HANDLE*>(data));
        default:
            break;
        }
    }
    return Fail(TWCC_BADPROTOCOL);
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
        capabilities = std::make_unique<SourceCapabilities>(device);
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
    acquisition.reset();
    pages.clear();
    capabilities.reset();
    if (device)
        sane_close(device);
    device = nullptr;
    if (state > 3)
        state = 3;
}

bool DataSourceManager::IsOpenSource(const TW_IDENTITY* destination) const
{
    return destination && destination->Id == openSource.Id;
}

// Settings change only before the source is enabled; they can be read at any time but while
// the device is scanning.
TW_UINT16 DataSourceManager::Capability(TW_UINT16 message, TW_CAPABILITY* capability)
{
    if (!capability)
        return Fail(TWCC_BADVALUE);
    if ((message == MSG_SET || message == MSG_RESET) && state != 4)
        return Fail(TWCC_SEQERROR);
    // The device's options are not touched while the job's thread reads from it.
    if (acquisition)
        return Fail(TWCC_SEQERROR);
    TW_UINT16 code = TWCC_SUCCESS;
    const TW_UINT16 result = capabilities->Negotiate(message, *capability, code);
    return result == TWRC_FAILURE ? Fail(code) : result;
}

// There is no user interface of the source's own: enabling starts the scan at once.
TW_UINT16 DataSourceManager::UserInterface(TW_UINT16 message, TW_USERINTERFACE* userInterface)
{
    if (message == MSG_ENABLEDS) {
        if (state != 4)
            return Fail(TWCC_SEQERROR);
        if (!userInterface)
            return Fail(TWCC_BADVALUE);
        const TW_INT16 count = capabilities->TransferCount();
        const bool feeder = capabilities->FeederEnabled();
        // Without a feeder "all pages" is the one page on the glass.
        const int pageLimit = count > 0 ? count : feeder ? 0 : 1;
        acquisition =
            std::make_unique<PageAcquisition>(device, pageLimit, capabilities->DotsPerInch());
        state = 5;
        return TWRC_SUCCESS;
    }
    if (message == MSG_DISABLEDS) {
        if (state != 5)
            return Fail(TWCC_SEQERROR);
        acquisition.reset();
        pages.clear();
        state = 4;
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

// The pages are offered once the job has all of them, so the transfer loop never waits for
// the device; a job that failed asks the application to close the source, and the condition
// code says why.
TW_UINT16 DataSourceManager::Event(TW_UINT16 message, TW_EVENT* event)
{
    if (message != MSG_PROCESSEVENT)
        return Fail(TWCC_BADPROTOCOL);
    if (!event)
        return Fail(TWCC_BADVALUE);
    event->TWMessage = MSG_NULL;
    if (state != 5 || !acquisition)
        return TWRC_NOTDSEVENT;
    switch (acquisition->State()) {
    case PageAcquisition::Progress::Running:
        return TWRC_NOTDSEVENT;
    case PageAcquisition::Progress::Done:
        pages = acquisition->TakePages();
        acquisition.reset();
        if (pages.empty()) {
            condition = TWCC_NOMEDIA;
            event->TWMessage = MSG_CLOSEDSREQ;
            return TWRC_DSEVENT;
        }
        state = 6;
        event->TWMessage = MSG_XFERREADY;
        return TWRC_DSEVENT;
    case PageAcquisition::Progress::Failed:
        condition = acquisition->Failure();
        acquisition.reset();
        event->TWMessage = MSG_CLOSEDSREQ;
        return TWRC_DSEVENT;
    }
    return TWRC_NOTDSEVENT;
}

TW_UINT16 DataSourceManager::PendingTransfers(TW_UINT16 message, TW_PENDINGXFERS* pending)
{
    if (!pending)
        return Fail(TWCC_BADVALUE);
    switch (message) {
    case MSG_GET:
        break;
    case MSG_ENDXFER:
        if (state != 6 && state != 7)
            return Fail(TWCC_SEQERROR);
        pages.pop_front();
        state = pages.empty() ? 5 : 6;
        break;
    case MSG_RESET:
        if (state != 6)
            return Fail(TWCC_SEQERROR);
        pages.clear();
        state = 5;
        break;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
    pending->Count = static_cast<TW_UINT16>(pages.size());
    pending->EOJ = 0;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSourceManager::ImageInfo(TW_UINT16 message, TW_IMAGEINFO* info)
{
    if (message != MSG_GET)
        return Fail(TWCC_BADPROTOCOL);
    if (state != 6 && state != 7)
        return Fail(TWCC_SEQERROR);
    if (!info)
        return Fail(TWCC_BADVALUE);
    *info = pages.front().info;
    return TWRC_SUCCESS;
}

// The page goes out as one block of malloc memory holding the packed DIB.
TW_UINT16 DataSourceManager::NativeTransfer(TW_UINT16 message, TW_HANDLE* page)
{
    if (message != MSG_GET)
        return Fail(TWCC_BADPROTOCOL);
    if (state != 6)
        return Fail(TWCC_SEQERROR);
    if (!page)
        return Fail(TWCC_BADVALUE);
    const std::vector<unsigned char>& dib = pages.front().dib;
    void* memory = std::malloc(dib.size());
    if (!memory)
        return Fail(TWCC_LOWMEMORY);
    std::memcpy(memory, dib.data(), dib.size());
    *page = memory;
    state = 7;
    return TWRC_XFERDONE;
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
