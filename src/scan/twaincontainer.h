#pragma once

#include "scan/twain.h"

#include <optional>
#include <vector>

// Building and reading the capability containers both sides of DSM_Entry exchange, and the
// protocol's fixed-point numbers.

// value × 65536 rounded half away from zero; Whole holds the upper 16 bits, Frac the lower.
TW_FIX32 ToFix32(double value);
double FromFix32(TW_FIX32 value);

// The content of a one-value container: a frame when the item type is TWTY_FRAME, else the
// 32-bit item (smaller types zero-extended, a FIX32 as its four bytes).
struct CapabilityValue
{
    TW_UINT16 itemType = 0;
    TW_UINT32 item = 0;
    TW_FRAME frame{};
};

CapabilityValue FixValue(double value);
double FixOf(const CapabilityValue& value);

// Containers in memory from malloc (see twain.h); null when out of memory.
TW_HANDLE NewOneValue(const CapabilityValue& value);
TW_HANDLE NewEnumeration(TW_UINT16 itemType, const std::vector<TW_UINT16>& items);

// Null for a capability that does not hold a one-value container.
std::optional<CapabilityValue> ReadOneValue(const TW_CAPABILITY& capability);
// The items of a TWTY_UINT16 enumeration; null for any other container.
std::optional<std::vector<TW_UINT16>> ReadUInt16Enumeration(const TW_CAPABILITY& capability);
