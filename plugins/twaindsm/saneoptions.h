#pragma once

#include <sane/sane.h>

#include <optional>
#include <string>
#include <vector>

// Named access to one open SANE device's options. Numbers are read and written as doubles
// whatever the option's type (integer or fixed point); a write the device rounds counts as
// done. Descriptors are looked up afresh on every call, since setting one option may change
// the others.
class SaneOptions
{
public:
    explicit SaneOptions(SANE_Handle device) : device(device) {}

    bool Has(const char* name) const { return Find(name) > 0; }
    std::optional<std::string> GetString(const char* name) const;
    std::vector<std::string> StringChoices(const char* name) const;
    bool SetString(const char* name, const std::string& value);
    std::optional<double> GetNumber(const char* name) const;
    // The range (or the extremes of the word list) an option's number may take.
    std::optional<std::pair<double, double>> NumberRange(const char* name) const;
    bool SetNumber(const char* name, double value);

private:
    SANE_Int Find(const char* name) const;
    const SANE_Option_Descriptor* Settable(const char* name, SANE_Value_Type type,
                                           SANE_Int& index) const;

    SANE_Handle device;
};
