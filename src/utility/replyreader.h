#pragma once

#include <json/value.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Reads the members of the service's JSON replies by the client's rules. A reply is accepted
// only when every expected member is present and every read succeeds:
// - integer: a number within the signed 32-bit range (a fraction is cut off); a string by its
//   leading decimal digits (LeadingInteger); false/true as 0/1; null as 0. Arrays, objects
//   and numbers out of range reject the reply.
// - text: strings unchanged, numbers as decimal text, false/true as "false"/"true", null as "".
//   Arrays and objects reject the reply.
// - flag: true for true, a non-zero number, a non-empty string, array or object. Never rejects.
class ReplyReader
{
public:
    // Parses `body`; the reader is rejected unless the root is an object.
    explicit ReplyReader(std::string_view body);

    bool Accepted() const { return accepted; }
    // The root object (null when the body was not one), safe to index by member name.
    const Json::Value& Root() const { return root; }

    // Rejects the reply unless `object` is an object holding every one of `names`.
    bool Require(const Json::Value& object, std::initializer_list<const char*> names);

    std::int32_t Integer(const Json::Value& value);
    std::string Text(const Json::Value& value);
    static bool Flag(const Json::Value& value);

    // The root's "ret" read as an integer, when present and readable, whatever else failed.
    std::optional<std::int32_t> Ret() const;

private:
    Json::Value root;
    bool accepted = false;
};

// The rules on their own, for callers that read single values.
std::optional<std::int32_t> ReadInteger(const Json::Value& value);
std::optional<std::string> ReadText(const Json::Value& value);

// Numbers sent as text: after leading blanks and an optional sign, the leading decimal digits
// (0 when there are none); past the 32-bit range, the nearest value within it.
std::int32_t LeadingInteger(std::string_view text);
// The same for a decimal number with a fraction or an exponent ("12.5 yuan" is 12.5).
double LeadingNumber(std::string_view text);
