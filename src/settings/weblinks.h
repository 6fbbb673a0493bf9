#pragma once

#include <string>

// Pages of the service's web site that the menus open; `webBase` has no trailing '/'.
namespace WebLinks {

// The home page as the tray opens it: "<web>/?extra=PC&Device=PC".
std::string HomePage(const std::string& webBase);
// The home page as the "contact us" items open it: "<web>?extra=PC&Device=PC", followed by
// "&MD=<md>" (percent-encoded) when the installation gave an `md`.
std::string ContactPage(const std::string& webBase, const std::string& md);

} // namespace WebLinks
