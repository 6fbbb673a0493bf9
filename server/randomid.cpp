#include "randomid.h"

#include <openssl/rand.h>

#include <cstdlib>

std::string RandomId(const std::string& prefix)
{
    static constexpr char digits[] = "0123456789abcdef";
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) {
        std::abort(); // without randomness no ticket may be issued
    }
    std::string id = prefix;
    for (unsigned char c : bytes) {
        id += digits[c >> 4];
        id += digits[c & 15];
    }
    return id;
}
