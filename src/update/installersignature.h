#pragma once

#include <string>
#include <string_view>

// Why an installer may or may not run.
enum class SignatureCheck
{
    Valid,
    NoKey,            // the build carries no usable public key: nothing is ever trusted
    MissingInstaller, // the installer file cannot be read
    MissingSignature, // its detached signature cannot be read
    Invalid,          // the signature does not match the installer's bytes under the key
};

// The installer's bytes when they passed the check; `bytes` is empty otherwise.
struct VerifiedInstaller
{
    SignatureCheck check = SignatureCheck::Invalid;
    std::string bytes;
};

// True when `signature` (a raw 64-byte Ed25519 signature) signs `data` under the PEM public
// key `publicKeyPem`.
bool IsSignedBy(std::string_view data, std::string_view signature, std::string_view publicKeyPem);

// Reads `installerFile` and its signature beside it (the name + ".sig") and checks them. The
// bytes returned are the ones checked, so what runs is what was verified.
VerifiedInstaller ReadVerifiedInstaller(const std::string& installerFile,
                                        std::string_view publicKeyPem);
