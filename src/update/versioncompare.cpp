#include "update/versioncompare.h"

#include <algorithm>
#include <cstddef>

namespace {

std::string_view NextComponent(std::string_view& rest)
{
    const std::size_t dot = rest.find('.');
    const std::string_view component = rest.substr(0, dot);
    rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
    return component;
}

bool IsNumber(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Numbers of any length: leading zeros dropped, then the longer is greater.
int CompareNumbers(std::string_view left, std::string_view right)
{
    const auto trim = [](std::string_view text) {
        const std::size_t first = text.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : text.substr(first);
    };
    left = trim(left);
    right = trim(right);
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    return left.compare(right);
}

int CompareComponents(std::string_view left, std::string_view right)
{
    const bool leftNumber = IsNumber(left) || left.empty();
    const bool rightNumber = IsNumber(right) || right.empty();
    if (leftNumber && rightNumber)
        return CompareNumbers(left, right);
    if (leftNumber != rightNumber)
        return leftNumber ? -1 : 1;
    return left.compare(right);
}

} // namespace

int CompareVersions(std::string_view left, std::string_view right)
{
    while (!left.empty() || !right.empty()) {
        const int order = CompareComponents(NextComponent(left), NextComponent(right));
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}

bool IsNewerVersion(std::string_view offered, std::string_view running)
{
    return CompareVersions(offered, running) > 0;
}
