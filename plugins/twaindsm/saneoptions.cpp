#include "saneoptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

double FromWord(SANE_Value_Type type, SANE_Word word)
{
    return type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
}

bool IsNumber(SANE_Value_Type type)
{
    return type == SANE_TYPE_INT || type == SANE_TYPE_FIXED;
}

} // namespace

SANE_Int SaneOptions::Find(const char* name) const
{
    SANE_Int count = 0;
    if (sane_control_option(device, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return 0;
    for (SANE_Int index = 1; index < count; ++index) {
        const SANE_Option_Descriptor* option = sane_get_option_descriptor(device, index);
        if (option && option->name && std::strcmp(option->name, name) == 0 &&
            SANE_OPTION_IS_ACTIVE(option->cap))
            return index;
    }
    return 0;
}

const SANE_Option_Descriptor* SaneOptions::Settable(const char* name, SANE_Value_Type type,
                                                    SANE_Int& index) const
{
    index = Find(name);
    const SANE_Option_Descriptor* option =
        index > 0 ? sane_get_option_descriptor(device, index) : nullptr;
    if (!option || !SANE_OPTION_IS_SETTABLE(option->cap))
        return nullptr;
    const bool fits =
        type == SANE_TYPE_STRING ? option->type == SANE_TYPE_STRING : IsNumber(option->type);
    return fits ? option : nullptr;
}

std::optional<std::string> SaneOptions::GetString(const char* name) const
{
    const SANE_Int index = Find(name);
    const SANE_Option_Descriptor* option =
        index > 0 ? sane_get_option_descriptor(device, index) : nullptr;
    if (!option || option->type != SANE_TYPE_STRING || option->size <= 0)
        return std::nullopt;
    std::vector<char> value(static_cast<std::size_t>(option->size) + 1, '\0');
    if (sane_control_option(device, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
        SANE_STATUS_GOOD)
        return std::nullopt;
    return std::string(value.data());
}

std::vector<std::string> SaneOptions::StringChoices(const char* name) const
{
    const SANE_Int index = Find(name);
    const SANE_Option_Descriptor* option =
        index > 0 ? sane_get_option_descriptor(device, index) : nullptr;
    std::vector<std::string> choices;
    if (option && option->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* entry = option->constraint.string_list; *entry; ++entry)
            choices.emplace_back(*entry);
    return choices;
}

bool SaneOptions::SetString(const char* name, const std::string& value)
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor* option = Settable(name, SANE_TYPE_STRING, index);
    if (!option)
        return false;
    std::vector<char> buffer(
        std::max<std::size_t>(static_cast<std::size_t>(option->size), value.size() + 1), '\0');
    std::memcpy(buffer.data(), value.data(), value.size());
    return sane_control_option(device, index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr) ==
           SANE_STATUS_GOOD;
}

std::optional<double> SaneOptions::GetNumber(const char* name) const
{
    const SANE_Int index = Find(name);
    const SANE_Option_Descriptor* option =
        index > 0 ? sane_get_option_descriptor(device, index) : nullptr;
    if (!option || !IsNumber(option->type) || option->size != sizeof(SANE_Word))
        return std::nullopt;
    SANE_Word word = 0;
    if (sane_control_option(device, index, SANE_ACTION_GET_VALUE, &word, nullptr) !=
        SANE_STATUS_GOOD)
        return std::nullopt;
    return FromWord(option->type, word);
}

std::optional<std::pair<double, double>> SaneOptions::NumberRange(const char* name) const
{
    const SANE_Int index = Find(name);
    const SANE_Option_Descriptor* option =
        index > 0 ? sane_get_option_descriptor(device, index) : nullptr;
    if (!option || !IsNumber(option->type))
        return std::nullopt;
    if (option->constraint_type == SANE_CONSTRAINT_RANGE)
        return std::pair{FromWord(option->type, option->constraint.range->min),
                         FromWord(option->type, option->constraint.range->max)};
    if (option->constraint_type == SANE_CONSTRAINT_WORD_LIST &&
        option->constraint.word_list[0] > 0) {
        const SANE_Word* words = option->constraint.word_list + 1;
        const auto [low, high] = std::minmax_element(words, words + words[-1]);
        return std::pair{FromWord(option->type, *low), FromWord(option->type, *high)};
    }
    return std::nullopt;
}

bool SaneOptions::SetNumber(const char* name, double value)
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor* option = Settable(name, SANE_TYPE_INT, index);
    if (!option || option->size != sizeof(SANE_Word))
        return false;
    SANE_Word word = option->type == SANE_TYPE_FIXED ? SANE_FIX(value)
                                                     : static_cast<SANE_Word>(std::lround(value));
    return sane_control_option(device, index, SANE_ACTION_SET_VALUE, &word, nullptr) ==
           SANE_STATUS_GOOD;
}
