#pragma once

#include <optional>
#include <string>
#include <string_view>

// What opening a function does, by its key.
enum class FunctionAction
{
    Print,      // print a PDF through the viewer
    Scanner,    // the scanner window
    WebPage,    // a page of the service's web site
    Conversion, // the conversion page for that key
};

struct FunctionDispatch
{
    FunctionAction action = FunctionAction::Conversion;
    std::string_view webPath; // path and query of the web page, for WebPage only
};

// Ends the one path of a function the viewer asked for.
inline constexpr std::string_view kFromPluginMarker = "_FromPlugin";

// Whether a function may start while a conversion runs: the web pages the viewer may ask for.
bool RunsDuringConversion(std::string_view key);

// Keys are matched exactly; every key not listed is a conversion.
FunctionDispatch DispatchFor(std::string_view key);

// The web page of `key` on `webHost` (base URL without a trailing '/'); nullopt unless the
// key opens a web page.
std::optional<std::string> WebPageUrl(std::string_view key, std::string_view webHost);
