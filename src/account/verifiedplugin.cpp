#include "account/verifiedplugin.h"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::string Sha256Hex(std::string_view bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (!EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha256(), nullptr))
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0xF];
    }
    return text;
}

PluginCheck Check(const std::optional<std::string>& bytes, std::string_view expectedDigest)
{
    if (!bytes || bytes->empty())
        return PluginCheck::Missing;
    const std::string digest = Sha256Hex(*bytes);
    return !digest.empty() && digest == expectedDigest ? PluginCheck::Authentic
                                                       : PluginCheck::Altered;
}

} // namespace

PluginCheck VerifyPluginFile(const std::string& path, std::string_view expectedDigest)
{
    return Check(ReadWholeFile(path), expectedDigest);
}

VerifiedPlugin LoadVerifiedPlugin(const std::string& path, std::string_view expectedDigest,
                                  PluginImageLoader fromMemory)
{
    const auto bytes = ReadWholeFile(path);
    VerifiedPlugin plugin;
    plugin.check = Check(bytes, expectedDigest);
    if (plugin.check == PluginCheck::Authentic)
        plugin.module = LoadPluginImage(*bytes, fromMemory);
    return plugin;
}
