#include "utility/replyreader.h"

#include <json/reader.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kMinInt = std::numeric_limits<std::int32_t>::min();
constexpr double kMaxInt = std::numeric_limits<std::int32_t>::max();

// The unsigned part of a number in a text: leading blanks and one sign removed.
std::string_view Unsigned(std::string_view text, bool& negative)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    return text;
}

std::string NumberText(const Json::Value& value)
{
    if (value.isInt64())
        return std::to_string(value.asInt64());
    if (value.isUInt64())
        return std::to_string(value.asUInt64());
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value.asDouble());
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

} // namespace

std::optional<std::int32_t> ReadInteger(const Json::Value& value)
{
    switch (value.type()) {
    case Json::nullValue:
        return 0;
    case Json::booleanValue:
        return value.asBool() ? 1 : 0;
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue: {
        const double truncated = std::trunc(value.asDouble());
        if (!(truncated >= kMinInt && truncated <= kMaxInt))
            return std::nullopt;
        return static_cast<std::int32_t>(truncated);
    }
    case Json::stringValue:
        return LeadingInteger(value.asString());
    default:
        return std::nullopt;
    }
}

std::optional<std::string> ReadText(const Json::Value& value)
{
    switch (value.type()) {
    case Json::nullValue:
        return std::string();
    case Json::booleanValue:
        return std::string(value.asBool() ? "true" : "false");
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
        return NumberText(value);
    case Json::stringValue:
        return value.asString();
    default:
        return std::nullopt;
    }
}

std::int32_t LeadingInteger(std::string_view text)
{
    bool negative = false;
    text = Unsigned(text, negative);
    // Counted in 64 bits and held at one past the range, so any number of digits fits.
    constexpr std::int64_t kPastRange = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        value = std::min(value * 10 + (c - '0'), kPastRange);
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kPastRange - 1));
}

double LeadingNumber(std::string_view text)
{
    bool negative = false;
    text = Unsigned(text, negative);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value) || std::signbit(value))
        return 0.0;
    return negative ? -value : value;
}

ReplyReader::ReplyReader(std::string_view body)
{
    if (body.empty())
        return;
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    // Anything but an object becomes null, so member lookups on the root stay safe.
    if (!reader->parse(body.data(), body.data() + body.size(), &root, &errors) || !root.isObject())
        root = Json::Value();
    accepted = root.isObject();
}

bool ReplyReader::Require(const Json::Value& object, std::initializer_list<const char*> names)
{
    if (!object.isObject()) {
        accepted = false;
        return false;
    }
    for (const char* name : names)
        if (!object.isMember(name))
            accepted = false;
    return accepted;
}

std::int32_t ReplyReader::Integer(const Json::Value& value)
{
    const auto read = ReadInteger(value);
    if (!read)
        accepted = false;
    return read.value_or(0);
}

std::string ReplyReader::Text(const Json::Value& value)
{
    auto read = ReadText(value);
    if (!read)
        accepted = false;
    return read.value_or(std::string());
}

bool ReplyReader::Flag(const Json::Value& value)
{
    switch (value.type()) {
    case Json::booleanValue:
        return value.asBool();
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
        return value.asDouble() != 0.0;
    case Json::stringValue:
        return !value.asString().empty();
    case Json::arrayValue:
    case Json::objectValue:
        return !value.empty();
    default:
        return false;
    }
}

std::optional<std::int32_t> ReplyReader::Ret() const
{
    if (!root.isObject() || !root.isMember("ret"))
        return std::nullopt;
    return ReadInteger(root["ret"]);
}
