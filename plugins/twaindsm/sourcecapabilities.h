#pragma once

#include "saneoptions.h"
#include "scan/twaincontainer.h"

#include <optional>
#include <string>

// The capabilities of one open source, negotiated onto its SANE options: feeder and duplex
// choose the SANE source, the pixel type its mode and depth, the resolutions and the frame
// its resolution and scan-area options (millimetres on the SANE side, the negotiated unit on
// the TWAIN side); paper sizes are those that fit the scan area's ranges. Transfer count,
// indicators and unit live here. Owned by the manager, on its caller's thread.
class SourceCapabilities
{
public:
    explicit SourceCapabilities(SANE_Handle device);

    // Answers MSG_GET, MSG_GETCURRENT, MSG_SET and MSG_RESET for one capability. A get or a
    // reset hands back a new container in `capability`; a failure leaves its condition code.
    TW_UINT16 Negotiate(TW_UINT16 message, TW_CAPABILITY& capability, TW_UINT16& condition);

    TW_INT16 TransferCount() const { return transferCount; }
    bool FeederEnabled() const;
    int DotsPerInch() const;

private:
    std::optional<CapabilityValue> Current(TW_UINT16 cap) const;
    TW_UINT16 Set(TW_UINT16 cap, const CapabilityValue& value, TW_UINT16& condition);
    bool Reset(TW_UINT16 cap);
    bool SelectSource(bool feeder, bool duplex);
    bool DuplexEnabled() const;
    std::optional<TW_UINT16> PixelType() const;
    bool SetPixelType(TW_UINT16 type);
    bool SetResolution(const char* axis, double dotsPerInch);
    double MillimetresPerUnit() const;
    std::optional<TW_FRAME> Frame() const;
    TW_UINT16 SetFrame(const TW_FRAME& frame, TW_UINT16& condition);
    std::vector<TW_UINT16> SupportedSizes() const;

    SaneOptions options;
    TW_INT16 transferCount = -1;
    bool indicators = true;
    TW_UINT16 units = TWUN_INCHES;
    // What the device said when it was opened, for MSG_RESET.
    std::optional<std::string> defaultMode;
    std::optional<double> defaultDepth;
    std::optional<double> defaultResolution;
};
