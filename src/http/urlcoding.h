#pragma once

#include <string>
#include <string_view>

// Percent-encoding of bytes in URLs, shared by the transfer classes and the service requests.

// Keeps ASCII letters, digits and - _ ! * ' ( ) , ; every other byte becomes "%XX"
// (upper-case hexadecimal).
std::string UrlEncodeBytes(std::string_view bytes);
// "%XX" (either case) becomes one byte; a '%' without two hexadecimal digits after it, and
// '+', stay as they are.
std::string UrlDecodeBytes(std::string_view bytes);
