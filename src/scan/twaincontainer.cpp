#include "scan/twaincontainer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

TW_FIX32 ToFix32(double value)
{
    const auto scaled = static_cast<TW_INT32>(std::lround(value * 65536.0));
    TW_FIX32 fix{};
    fix.Whole = static_cast<TW_INT16>(scaled >> 16);
    fix.Frac = static_cast<TW_UINT16>(scaled & 0xFFFF);
    return fix;
}

double FromFix32(TW_FIX32 value)
{
    return value.Whole + value.Frac / 65536.0;
}

CapabilityValue FixValue(double value)
{
    CapabilityValue result;
    result.itemType = TWTY_FIX32;
    const TW_FIX32 fix = ToFix32(value);
    std::memcpy(&result.item, &fix, sizeof fix);
    return result;
}

double FixOf(const CapabilityValue& value)
{
    TW_FIX32 fix{};
    std::memcpy(&fix, &value.item, sizeof fix);
    return FromFix32(fix);
}

TW_HANDLE NewOneValue(const CapabilityValue& value)
{
    if (value.itemType == TWTY_FRAME) {
        auto* container = static_cast<TW_ONEVALUE_FRAME*>(std::malloc(sizeof(TW_ONEVALUE_FRAME)));
        if (container) {
            container->ItemType = value.itemType;
            container->Item = value.frame;
        }
        return container;
    }
    auto* container = static_cast<TW_ONEVALUE*>(std::malloc(sizeof(TW_ONEVALUE)));
    if (container) {
        container->ItemType = value.itemType;
        container->Item = value.item;
    }
    return container;
}

TW_HANDLE NewEnumeration(TW_UINT16 itemType, const std::vector<TW_UINT16>& items)
{
    const std::size_t size = offsetof(TW_ENUMERATION, ItemList) + items.size() * sizeof(TW_UINT16);
    auto* container =
        static_cast<TW_ENUMERATION*>(std::malloc(std::max(size, sizeof(TW_ENUMERATION))));
    if (!container)
        return nullptr;
    container->ItemType = itemType;
    container->NumItems = static_cast<TW_UINT32>(items.size());
    container->CurrentIndex = 0;
    container->DefaultIndex = 0;
    if (!items.empty())
        std::memcpy(container->ItemList, items.data(), items.size() * sizeof(TW_UINT16));
    return container;
}

std::optional<CapabilityValue> ReadOneValue(const TW_CAPABILITY& capability)
{
    if (capability.ConType != TWON_ONEVALUE || !capability.hContainer)
        return std::nullopt;
    CapabilityValue value;
    std::memcpy(&value.itemType, capability.hContainer, sizeof value.itemType);
    if (value.itemType == TWTY_FRAME)
        value.frame = static_cast<const TW_ONEVALUE_FRAME*>(capability.hContainer)->Item;
    else
        value.item = static_cast<const TW_ONEVALUE*>(capability.hContainer)->Item;
    return value;
}

std::optional<std::vector<TW_UINT16>> ReadUInt16Enumeration(const TW_CAPABILITY& capability)
{
    if (capability.ConType != TWON_ENUMERATION || !capability.hContainer)
        return std::nullopt;
    const auto* container = static_cast<const TW_ENUMERATION*>(capability.hContainer);
    if (container->ItemType != TWTY_UINT16)
        return std::nullopt;
    std::vector<TW_UINT16> items(container->NumItems);
    if (!items.empty())
        std::memcpy(items.data(), container->ItemList, items.size() * sizeof(TW_UINT16));
    return items;
}
