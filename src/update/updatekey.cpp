#include "update/updatekey.h"

#include <cstddef>

extern const unsigned char dokora_update_key[];
extern const std::size_t dokora_update_key_size;

std::string_view BuiltInUpdateKey()
{
    return {reinterpret_cast<const char*>(dokora_update_key), dokora_update_key_size};
}
