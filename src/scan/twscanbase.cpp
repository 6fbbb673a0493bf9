#include "scan/twscanbase.h"

#include "base/windowmessage.h"
#include "scan/papertable.h"
#include "scan/twaincontainer.h"
#include "settings/atomicfile.h"
#include "utility/applog.h"
#include "utility/textcase.h"
#include "utility/utilitycalls.h"

#include <algorithm>
#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr const char* kLog = "TW_ScanBase";
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;

void CopyName(TW_STR32& target, const char* text)
{
    std::memset(target, 0, sizeof target);
    std::strncpy(target, text, sizeof target - 1);
}

std::string NameOf(const TW_STR32& name)
{
    return std::string(name, strnlen(name, sizeof name));
}

bool IsCamera(const std::string& productName)
{
    const std::string name = ToLower(productName);
    return name.find("webcam") != std::string::npos || name.find("camera") != std::string::npos;
}

template <typename T> T Read(const unsigned char* bytes, std::size_t offset)
{
    T value{};
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

void Put(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

} // namespace

TW_ScanBase::TW_ScanBase(ManagerLoader loadManager) : loadManager(std::move(loadManager)) {}

TW_ScanBase::~TW_ScanBase()
{
    Close();
}

void TW_ScanBase::SetTransferMode(int) {}

int TW_ScanBase::GetTransferMode()
{
    return transferMode;
}

TW_UINT16 TW_ScanBase::Call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 argument,
                            TW_UINT16 message, TW_MEMREF data)
{
    return dsmEntry ? dsmEntry(&appIdentity, destination, group, argument, message, data)
                    : TWRC_FAILURE;
}

TW_UINT16 TW_ScanBase::CallSource(TW_UINT32 group, TW_UINT16 argument, TW_UINT16 message,
                                  TW_MEMREF data)
{
    const TW_UINT16 result = Call(&currentSource, group, argument, message, data);
    if (result == TWRC_FAILURE)
        FetchCondition(&currentSource);
    return result;
}

TW_UINT16 TW_ScanBase::FetchCondition(TW_IDENTITY* destination)
{
    TW_STATUS status{};
    if (Call(destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS)
        return TWCC_BUMMER;
    return status.ConditionCode;
}

int TW_ScanBase::Open(MessageTarget* parent)
{
    if (initialised || dsmEntry)
        return 1;
    if (!parent)
        return 0;
    parentWindow = parent;
    dsmEntry = loadManager ? loadManager() : nullptr;
    if (!dsmEntry) {
        AppLog(kLog, "the data source manager cannot be loaded");
        return 0;
    }
    appIdentity = {};
    appIdentity.Id = 0;
    appIdentity.Version.MajorNum = 1;
    appIdentity.Version.MinorNum = 800;
    appIdentity.Version.Language = 0xFFFF;
    appIdentity.Version.Country = 86;
    CopyName(appIdentity.Version.Info, "9.4");
    appIdentity.ProtocolMajor = 2;
    appIdentity.ProtocolMinor = 4;
    appIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
    CopyName(appIdentity.Manufacturer, "Tevra");
    CopyName(appIdentity.ProductFamily, "Generic");
    CopyName(appIdentity.ProductName, "Tevra Orvane");
    if (Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, parentWindow) != TWRC_SUCCESS) {
        AppLog(kLog, "the data source manager did not open, condition " +
                         std::to_string(FetchCondition(nullptr)));
        dsmEntry = nullptr;
        return 0;
    }
    dsmOpen = 1;
    EnumerateSources();
    initialised = 1;
    return 1;
}

void TW_ScanBase::EnumerateSources()
{
    sources.clear();
    sourceNames.clear();
    TW_IDENTITY source{};
    for (TW_UINT16 message = MSG_GETFIRST;
         Call(nullptr, DG_CONTROL, DAT_IDENTITY, message, &source) == TWRC_SUCCESS;
         message = MSG_GETNEXT) {
        if (IsCamera(NameOf(source.ProductName)))
            continue;
        sources.push_back(source);
        sourceNames.push_back(NameOf(source.ProductName));
    }
    sourcesListed = true;
}

const std::vector<std::string>& TW_ScanBase::ListSourceNames()
{
    if (!sourcesListed && dsmOpen)
        EnumerateSources();
    return sourceNames;
}

bool TW_ScanBase::OpenSource(const std::string& name)
{
    if (!dsmOpen)
        return false;
    if (sourceOpen && NameOf(currentSource.ProductName) == name)
        return true;
    CloseSource();
    for (const TW_IDENTITY& source : sources) {
        if (NameOf(source.ProductName) != name)
            continue;
        currentSource = source;
        if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &currentSource) != TWRC_SUCCESS) {
            FetchCondition(nullptr);
            return false;
        }
        sourceOpen = 1;
        return true;
    }
    return false;
}

void TW_ScanBase::CloseSource()
{
    DisableSource();
    if (dsmOpen && sourceOpen &&
        Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &currentSource) == TWRC_SUCCESS)
        sourceOpen = 0;
}

void TW_ScanBase::DisableSource()
{
    if (sourceEnabled &&
        CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &userInterface) == TWRC_SUCCESS)
        sourceEnabled = 0;
}

TW_UINT16 TW_ScanBase::SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item)
{
    if (!sourceOpen)
        return TWRC_FAILURE;
    TW_ONEVALUE value{itemType, item};
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, &value};
    return CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

TW_UINT16 TW_ScanBase::SetFixCapability(TW_UINT16 cap, double value)
{
    const CapabilityValue fix = FixValue(value);
    return SetCapability(cap, fix.itemType, fix.item);
}

TW_UINT16 TW_ScanBase::SetFrame(int paperSize)
{
    if (!sourceOpen)
        return TWRC_FAILURE;
    const auto found = PaperSizes().find(paperSize);
    const auto [width, height] =
        found == PaperSizes().end() ? std::pair{0.0f, 0.0f} : found->second;
    TW_ONEVALUE_FRAME value{TWTY_FRAME, {ToFix32(0), ToFix32(0), ToFix32(width), ToFix32(height)}};
    TW_CAPABILITY capability{ICAP_FRAMES, TWON_ONEVALUE, &value};
    return CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

int TW_ScanBase::GetSupportedSizes(std::vector<int>& list, int feeder)
{
    if (SetCapability(CAP_FEEDERENABLED, TWTY_BOOL, feeder ? 1 : 0) != TWRC_SUCCESS)
        return 0;
    TW_CAPABILITY capability{ICAP_SUPPORTEDSIZES, TWON_DONTCARE16, nullptr};
    const TW_UINT16 result = Call(&currentSource, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability);
    if (result == TWRC_FAILURE) {
        FetchCondition(&currentSource);
        return 0;
    }
    const auto items = result == TWRC_SUCCESS ? ReadUInt16Enumeration(capability) : std::nullopt;
    std::free(capability.hContainer);
    if (items)
        for (const TW_UINT16 item : *items)
            if (std::find(list.begin(), list.end(), item) == list.end())
                list.push_back(item);
    return 1;
}

int TW_ScanBase::Scan(ScanSettings settings)
{
    if (sourceOpen && NameOf(currentSource.ProductName) != settings.sourceName)
        CloseSource();
    if (!OpenSource(settings.sourceName))
        return 0;
    SetCapability(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES);
    SetFrame(settings.paperSize);
    if (SetCapability(CAP_FEEDERENABLED, TWTY_BOOL, 0) == TWRC_SUCCESS)
        SetCapability(CAP_DUPLEXENABLED, TWTY_BOOL, static_cast<TW_UINT16>(settings.side));
    SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT16>(settings.pixelMode));
    if (SetFixCapability(ICAP_XRESOLUTION, settings.resolution) == TWRC_SUCCESS)
        SetFixCapability(ICAP_YRESOLUTION, settings.resolution);
    if (SetCapability(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT16>(settings.transferCount)) !=
        TWRC_SUCCESS)
        return 0;
    SetCapability(CAP_INDICATORS, TWTY_BOOL, 1);
    userInterface = {};
    userInterface.ShowUI = 0;
    userInterface.ModalUI = 1;
    userInterface.hParent = parentWindow;
    if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &userInterface) != TWRC_SUCCESS)
        return 0;
    sourceEnabled = 1;
    return 1;
}

ScanEvent TW_ScanBase::ProcessEvent()
{
    if (!sourceOpen || !sourceEnabled)
        return ScanEvent::None;
    TW_EVENT event{nullptr, MSG_NULL};
    if (CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT)
        return ScanEvent::None;
    if (event.TWMessage == MSG_XFERREADY)
        return TransferPages();
    if (event.TWMessage == MSG_CLOSEDSREQ) {
        const TW_UINT16 condition = FetchCondition(&currentSource);
        AppLog(kLog, "the source ended the scan, condition " + std::to_string(condition));
        CloseSource();
        return condition == TWCC_CHECKDEVICEONLINE ? ScanEvent::DeviceLost : ScanEvent::ScanFailed;
    }
    return ScanEvent::None;
}

ScanEvent TW_ScanBase::TransferPages()
{
    ScanEvent outcome = ScanEvent::PagesSaved;
    for (;;) {
        TW_IMAGEINFO info{};
        TW_PENDINGXFERS pending{};
        // Without the page's description the transfer cannot go on: drop what is left.
        if (CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) {
            CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            DisableSource();
            return ScanEvent::ScanFailed;
        }
        TW_HANDLE page = nullptr;
        const TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &page);
        if (result == TWRC_FAILURE) {
            CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            DisableSource();
            return ScanEvent::ScanFailed;
        }
        if (result == TWRC_XFERDONE && page && !SavePage(page))
            outcome = ScanEvent::SaveFailed;
        std::free(page);
        if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) == TWRC_SUCCESS &&
            pending.Count == 0) {
            DisableSource();
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The BMP is the 14-byte file header and the DIB as the source gave it. The colour table
// follows the bit count alone: 2, 16 or 256 entries for 1, 4 or 8 bits, none otherwise.
bool TW_ScanBase::SavePage(const void* handle)
{
    const auto* dib = static_cast<const unsigned char*>(handle);
    const std::size_t available = malloc_usable_size(const_cast<void*>(handle));
    if (available < kInfoHeaderSize) {
        AppLog(kLog, "the source delivered a page shorter than its header");
        return false;
    }
    const auto headerSize = Read<std::uint32_t>(dib, 0);
    const auto width = Read<std::int32_t>(dib, 4);
    const auto height = Read<std::int32_t>(dib, 8);
    const auto bitCount = Read<std::uint16_t>(dib, 14);
    const auto sizeImage = Read<std::uint32_t>(dib, 20);
    // A header of another size, or a top-down page, is not the DIB this writer knows.
    if (headerSize != kInfoHeaderSize || width <= 0 || height <= 0 || bitCount == 0 ||
        bitCount > 32) {
        AppLog(kLog, "the source delivered a page this client cannot write");
        return false;
    }
    const std::size_t colours = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
    const std::size_t stride = (static_cast<std::size_t>(bitCount) * width + 31) / 32 * 4;
    const std::size_t length =
        sizeImage != 0 ? sizeImage + 4 * colours + kInfoHeaderSize
                       : stride * static_cast<std::size_t>(height) + 4 * colours + kInfoHeaderSize;

    // Handles are malloc memory: a page whose header claims more than it holds is refused.
    if (length > available) {
        AppLog(kLog, "the source delivered a page shorter than its header says");
        return false;
    }
    std::string bytes;
    bytes.reserve(kFileHeaderSize + length);
    bytes += "BM";
    Put(bytes, static_cast<std::uint32_t>(kFileHeaderSize + length), 4);
    Put(bytes, 0, 4);
    Put(bytes, static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + 4 * colours), 4);
    bytes.append(reinterpret_cast<const char*>(dib), length);

    std::string directory = outputDirectory;
    if (directory.empty())
        directory = Utility::AppDataPath().value_or("");
    const std::string path = directory + (imageName.empty() ? "scannerTmpImage.bmp" : imageName);
    if (directory.empty() || !WriteFileAtomically(path, bytes)) {
        AppLog(kLog, "the page could not be written to " + path);
        return false;
    }
    if (parentWindow)
        parentWindow->PostWindowMessage(WindowMessage{WM_OPEN_IN_VIEWER, 0, 0, path});
    return true;
}

void TW_ScanBase::SetOutputDirectory(std::string directory)
{
    if (!directory.empty() && directory.back() != '/')
        directory += '/';
    outputDirectory = std::move(directory);
}

void TW_ScanBase::Close()
{
    DisableSource();
    CloseSource();
    if (dsmOpen) {
        if (Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, parentWindow) == TWRC_SUCCESS)
            dsmOpen = 0;
        else
            FetchCondition(nullptr);
    }
    // The manager stays mapped, as every plug-in does; it is only forgotten here.
    if (!dsmOpen) {
        dsmEntry = nullptr;
        initialised = 0;
        sources.clear();
        sourceNames.clear();
        sourcesListed = false;
    }
}
