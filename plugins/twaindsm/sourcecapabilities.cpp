#include "sourcecapabilities.h"

#include "papersizes.h"
#include "utility/textcase.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>

namespace {

enum class ModeKind
{
    Lineart,
    Gray,
    Color,
    Other
};

ModeKind KindOf(const std::string& mode)
{
    const std::string text = ToLower(mode);
    const auto has = [&text](const char* word) { return text.find(word) != std::string::npos; };
    if (has("lineart") || has("binary") || has("halftone"))
        return has("color") || has("colour") ? ModeKind::Other : ModeKind::Lineart;
    if (has("gray") || has("grey"))
        return ModeKind::Gray;
    if (has("color") || has("colour"))
        return ModeKind::Color;
    return ModeKind::Other;
}

bool IsFeederSource(const std::string& source)
{
    const std::string text = ToLower(source);
    return text.find("adf") != std::string::npos || text.find("feeder") != std::string::npos ||
           text.find("duplex") != std::string::npos;
}

bool IsDuplexSource(const std::string& source)
{
    return ToLower(source).find("duplex") != std::string::npos;
}

CapabilityValue Value(TW_UINT16 itemType, TW_UINT32 item)
{
    CapabilityValue value;
    value.itemType = itemType;
    value.item = item;
    return value;
}

const char* AxisOption(const SaneOptions& options, const char* axisName)
{
    return options.Has(axisName) ? axisName : SANE_NAME_SCAN_RESOLUTION;
}

constexpr double kMillimetresPerInch = 25.4;

} // namespace

SourceCapabilities::SourceCapabilities(SANE_Handle device)
    : options(device), defaultMode(options.GetString(SANE_NAME_SCAN_MODE)),
      defaultDepth(options.GetNumber(SANE_NAME_BIT_DEPTH)),
      defaultResolution(options.GetNumber(SANE_NAME_SCAN_RESOLUTION))
{
}

TW_UINT16 SourceCapabilities::Negotiate(TW_UINT16 message, TW_CAPABILITY& capability,
                                        TW_UINT16& condition)
{
    switch (message) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_RESET: {
        if (message == MSG_RESET && !Reset(capability.Cap)) {
            condition = TWCC_CAPBADOPERATION;
            return TWRC_FAILURE;
        }
        if (message == MSG_GET && capability.Cap == ICAP_SUPPORTEDSIZES) {
            const std::vector<TW_UINT16> sizes = SupportedSizes();
            if (sizes.empty()) {
                condition = TWCC_CAPUNSUPPORTED;
                return TWRC_FAILURE;
            }
            capability.ConType = TWON_ENUMERATION;
            capability.hContainer = NewEnumeration(TWTY_UINT16, sizes);
        } else {
            const std::optional<CapabilityValue> value = Current(capability.Cap);
            if (!value) {
                condition = TWCC_CAPUNSUPPORTED;
                return TWRC_FAILURE;
            }
            capability.ConType = TWON_ONEVALUE;
            capability.hContainer = NewOneValue(*value);
        }
        if (!capability.hContainer) {
            condition = TWCC_LOWMEMORY;
            return TWRC_FAILURE;
        }
        return TWRC_SUCCESS;
    }
    case MSG_SET: {
        const std::optional<CapabilityValue> value = ReadOneValue(capability);
        if (!value) {
            condition = TWCC_BADVALUE;
            return TWRC_FAILURE;
        }
        return Set(capability.Cap, *value, condition);
    }
    default:
        condition = TWCC_CAPBADOPERATION;
        return TWRC_FAILURE;
    }
}

std::optional<CapabilityValue> SourceCapabilities::Current(TW_UINT16 cap) const
{
    switch (cap) {
    case CAP_XFERCOUNT:
        return Value(TWTY_INT16, static_cast<TW_UINT16>(transferCount));
    case CAP_INDICATORS:
        return Value(TWTY_BOOL, indicators);
    case ICAP_UNITS:
        return Value(TWTY_UINT16, units);
    case CAP_FEEDERENABLED:
        return Value(TWTY_BOOL, FeederEnabled());
    case CAP_DUPLEXENABLED:
        return Value(TWTY_BOOL, DuplexEnabled());
    case ICAP_PIXELTYPE:
        if (const auto type = PixelType())
            return Value(TWTY_UINT16, *type);
        return std::nullopt;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        if (const auto dpi = options.GetNumber(
                AxisOption(options, cap == ICAP_XRESOLUTION ? SANE_NAME_SCAN_X_RESOLUTION
                                                            : SANE_NAME_SCAN_Y_RESOLUTION)))
            return FixValue(*dpi);
        return std::nullopt;
    case ICAP_FRAMES:
        if (const auto frame = Frame()) {
            CapabilityValue value;
            value.itemType = TWTY_FRAME;
            value.frame = *frame;
            return value;
        }
        return std::nullopt;
    case ICAP_SUPPORTEDSIZES: {
        const auto frame = Frame();
        if (!frame)
            return std::nullopt;
        const double unit = MillimetresPerUnit();
        const double width = (FromFix32(frame->Right) - FromFix32(frame->Left)) * unit;
        const double height = (FromFix32(frame->Bottom) - FromFix32(frame->Top)) * unit;
        TW_UINT16 current = TWSS_NONE;
        for (const PaperSize& size : StandardPaperSizes())
            if (std::abs(size.width - width) < 0.5 && std::abs(size.height - height) < 0.5)
                current = size.code;
        return Value(TWTY_UINT16, current);
    }
    default:
        return std::nullopt;
    }
}

TW_UINT16 SourceCapabilities::Set(TW_UINT16 cap, const CapabilityValue& value, TW_UINT16& condition)
{
    const auto fail = [&condition](TW_UINT16 code) {
        condition = code;
        return TWRC_FAILURE;
    };
    const auto expect = [&value](TW_UINT16 itemType) { return value.itemType == itemType; };
    switch (cap) {
    case CAP_XFERCOUNT: {
        const auto count = static_cast<TW_INT16>(value.item & 0xFFFF);
        if (!expect(TWTY_INT16) || (count != -1 && count < 1))
            return fail(TWCC_BADVALUE);
        transferCount = count;
        return TWRC_SUCCESS;
    }
    case CAP_INDICATORS:
        if (!expect(TWTY_BOOL))
            return fail(TWCC_BADVALUE);
        indicators = value.item != 0;
        return TWRC_SUCCESS;
    case ICAP_UNITS:
        if (!expect(TWTY_UINT16) || value.item > TWUN_POINTS)
            return fail(TWCC_BADVALUE);
        units = static_cast<TW_UINT16>(value.item);
        return TWRC_SUCCESS;
    case CAP_FEEDERENABLED:
        if (!expect(TWTY_BOOL) || !SelectSource(value.item != 0, DuplexEnabled()))
            return fail(TWCC_BADVALUE);
        return TWRC_SUCCESS;
    case CAP_DUPLEXENABLED:
        if (!expect(TWTY_BOOL) || !SelectSource(FeederEnabled(), value.item != 0))
            return fail(TWCC_BADVALUE);
        return TWRC_SUCCESS;
    case ICAP_PIXELTYPE:
        if (!expect(TWTY_UINT16) || !SetPixelType(static_cast<TW_UINT16>(value.item)))
            return fail(TWCC_BADVALUE);
        return TWRC_SUCCESS;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        if (!expect(TWTY_FIX32) ||
            !SetResolution(cap == ICAP_XRESOLUTION ? SANE_NAME_SCAN_X_RESOLUTION
                                                   : SANE_NAME_SCAN_Y_RESOLUTION,
                           FixOf(value)))
            return fail(TWCC_BADVALUE);
        return TWRC_SUCCESS;
    case ICAP_FRAMES:
        if (!expect(TWTY_FRAME))
            return fail(TWCC_BADVALUE);
        return SetFrame(value.frame, condition);
    case ICAP_SUPPORTEDSIZES: {
        const auto size = FindPaperSize(static_cast<TW_UINT16>(value.item));
        if (!expect(TWTY_UINT16) || !size)
            return fail(TWCC_BADVALUE);
        const double unit = MillimetresPerUnit();
        return SetFrame(
            {ToFix32(0), ToFix32(0), ToFix32(size->width / unit), ToFix32(size->height / unit)},
            condition);
    }
    default:
        return fail(TWCC_CAPUNSUPPORTED);
    }
}

bool SourceCapabilities::Reset(TW_UINT16 cap)
{
    switch (cap) {
    case CAP_XFERCOUNT:
        transferCount = -1;
        return true;
    case CAP_INDICATORS:
        indicators = true;
        return true;
    case ICAP_UNITS:
        units = TWUN_INCHES;
        return true;
    case CAP_FEEDERENABLED:
    case CAP_DUPLEXENABLED:
        return SelectSource(false, false);
    case ICAP_PIXELTYPE:
        if (defaultMode && !options.SetString(SANE_NAME_SCAN_MODE, *defaultMode))
            return false;
        return !defaultDepth || options.SetNumber(SANE_NAME_BIT_DEPTH, *defaultDepth);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
        return defaultResolution &&
               SetResolution(cap == ICAP_XRESOLUTION ? SANE_NAME_SCAN_X_RESOLUTION
                                                     : SANE_NAME_SCAN_Y_RESOLUTION,
                             *defaultResolution);
    case ICAP_FRAMES:
    case ICAP_SUPPORTEDSIZES: {
        const auto width = options.NumberRange(SANE_NAME_SCAN_BR_X);
        const auto height = options.NumberRange(SANE_NAME_SCAN_BR_Y);
        return width && height && options.SetNumber(SANE_NAME_SCAN_TL_X, 0) &&
               options.SetNumber(SANE_NAME_SCAN_TL_Y, 0) &&
               options.SetNumber(SANE_NAME_SCAN_BR_X, width->second) &&
               options.SetNumber(SANE_NAME_SCAN_BR_Y, height->second);
    }
    default:
        return false;
    }
}

bool SourceCapabilities::FeederEnabled() const
{
    const auto source = options.GetString(SANE_NAME_SCAN_SOURCE);
    return source && IsFeederSource(*source);
}

bool SourceCapabilities::DuplexEnabled() const
{
    const auto source = options.GetString(SANE_NAME_SCAN_SOURCE);
    return source && IsDuplexSource(*source);
}

// Duplex pages come from a feeder; a device without a source option is a flatbed.
bool SourceCapabilities::SelectSource(bool feeder, bool duplex)
{
    const std::vector<std::string> sources = options.StringChoices(SANE_NAME_SCAN_SOURCE);
    if (sources.empty())
        return !feeder && !duplex;
    const auto fits = [feeder, duplex](const std::string& source) {
        if (duplex)
            return IsDuplexSource(source);
        return IsFeederSource(source) == feeder && !IsDuplexSource(source);
    };
    const auto found = std::find_if(sources.begin(), sources.end(), fits);
    return found != sources.end() && options.SetString(SANE_NAME_SCAN_SOURCE, *found);
}

std::optional<TW_UINT16> SourceCapabilities::PixelType() const
{
    const auto mode = options.GetString(SANE_NAME_SCAN_MODE);
    if (!mode)
        return std::nullopt;
    switch (KindOf(*mode)) {
    case ModeKind::Lineart:
        return TWPT_BW;
    case ModeKind::Gray:
        return options.GetNumber(SANE_NAME_BIT_DEPTH) == 1.0 ? TWPT_BW : TWPT_GRAY;
    case ModeKind::Color:
        return TWPT_RGB;
    case ModeKind::Other:
        return std::nullopt;
    }
    return std::nullopt;
}

// Black and white is the device's line-art mode, or its grey mode at one bit per sample.
bool SourceCapabilities::SetPixelType(TW_UINT16 type)
{
    const std::vector<std::string> modes = options.StringChoices(SANE_NAME_SCAN_MODE);
    const auto mode = [&modes](ModeKind kind) {
        return std::find_if(modes.begin(), modes.end(),
                            [kind](const std::string& m) { return KindOf(m) == kind; });
    };
    const auto depth = [this](double bits) {
        return !options.Has(SANE_NAME_BIT_DEPTH) || options.SetNumber(SANE_NAME_BIT_DEPTH, bits);
    };
    switch (type) {
    case TWPT_BW:
        if (mode(ModeKind::Lineart) != modes.end())
            return options.SetString(SANE_NAME_SCAN_MODE, *mode(ModeKind::Lineart));
        return mode(ModeKind::Gray) != modes.end() &&
               options.SetString(SANE_NAME_SCAN_MODE, *mode(ModeKind::Gray)) && depth(1) &&
               options.GetNumber(SANE_NAME_BIT_DEPTH) == 1.0;
    case TWPT_GRAY:
    case TWPT_RGB: {
        const auto found = mode(type == TWPT_GRAY ? ModeKind::Gray : ModeKind::Color);
        return found != modes.end() && options.SetString(SANE_NAME_SCAN_MODE, *found) && depth(8);
    }
    default:
        return false;
    }
}

bool SourceCapabilities::SetResolution(const char* axis, double dotsPerInch)
{
    const char* name = AxisOption(options, axis);
    const auto range = options.NumberRange(name);
    if (dotsPerInch <= 0 || (range && (dotsPerInch < range->first || dotsPerInch > range->second)))
        return false;
    return options.SetNumber(name, dotsPerInch);
}

int SourceCapabilities::DotsPerInch() const
{
    const auto dpi = options.GetNumber(AxisOption(options, SANE_NAME_SCAN_X_RESOLUTION));
    return dpi ? static_cast<int>(std::lround(*dpi)) : 0;
}

double SourceCapabilities::MillimetresPerUnit() const
{
    switch (units) {
    case TWUN_CENTIMETERS:
        return 10;
    case TWUN_PICAS:
        return kMillimetresPerInch / 6;
    case TWUN_POINTS:
        return kMillimetresPerInch / 72;
    default:
        return kMillimetresPerInch;
    }
}

std::optional<TW_FRAME> SourceCapabilities::Frame() const
{
    const auto left = options.GetNumber(SANE_NAME_SCAN_TL_X);
    const auto top = options.GetNumber(SANE_NAME_SCAN_TL_Y);
    const auto right = options.GetNumber(SANE_NAME_SCAN_BR_X);
    const auto bottom = options.GetNumber(SANE_NAME_SCAN_BR_Y);
    if (!left || !top || !right || !bottom)
        return std::nullopt;
    const double unit = MillimetresPerUnit();
    return TW_FRAME{ToFix32(*left / unit), ToFix32(*top / unit), ToFix32(*right / unit),
                    ToFix32(*bottom / unit)};
}

// An empty frame is refused rather than scanned as nothing; a frame beyond the scan area is
// cut to it, which the protocol reports as TWRC_CHECKSTATUS.
TW_UINT16 SourceCapabilities::SetFrame(const TW_FRAME& frame, TW_UINT16& condition)
{
    const double unit = MillimetresPerUnit();
    const double left = FromFix32(frame.Left) * unit;
    const double top = FromFix32(frame.Top) * unit;
    const double right = FromFix32(frame.Right) * unit;
    const double bottom = FromFix32(frame.Bottom) * unit;
    const auto width = options.NumberRange(SANE_NAME_SCAN_BR_X);
    const auto height = options.NumberRange(SANE_NAME_SCAN_BR_Y);
    if (!width || !height) {
        condition = TWCC_CAPUNSUPPORTED;
        return TWRC_FAILURE;
    }
    if (left < 0 || top < 0 || right <= left || bottom <= top) {
        condition = TWCC_BADVALUE;
        return TWRC_FAILURE;
    }
    const double cutRight = std::min(right, width->second);
    const double cutBottom = std::min(bottom, height->second);
    if (left >= cutRight || top >= cutBottom || !options.SetNumber(SANE_NAME_SCAN_TL_X, left) ||
        !options.SetNumber(SANE_NAME_SCAN_TL_Y, top) ||
        !options.SetNumber(SANE_NAME_SCAN_BR_X, cutRight) ||
        !options.SetNumber(SANE_NAME_SCAN_BR_Y, cutBottom)) {
        condition = TWCC_BADVALUE;
        return TWRC_FAILURE;
    }
    return cutRight < right || cutBottom < bottom ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
}

std::vector<TW_UINT16> SourceCapabilities::SupportedSizes() const
{
    const auto width = options.NumberRange(SANE_NAME_SCAN_BR_X);
    const auto height = options.NumberRange(SANE_NAME_SCAN_BR_Y);
    std::vector<TW_UINT16> codes;
    if (!width || !height)
        return codes;
    for (const PaperSize& size : StandardPaperSizes())
        if (size.width <= width->second + 0.5 && size.height <= height->second + 0.5)
            codes.push_back(size.code);
    return codes;
}
