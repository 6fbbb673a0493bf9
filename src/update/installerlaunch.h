#pragma once

#include <string>
#include <string_view>

enum class InstallerStart
{
    Started,
    Refused, // missing, unsigned or tampered: deleted with its signature, nothing ran
    Failed,  // verified, but its copy could not be written or started
};

// Runs the downloaded installer, but only bytes that its signature vouches for: they are
// checked against `publicKeyPem`, written to a private copy with the execute bit set and that
// copy is started as a program (never through the desktop's opener). UI thread; does not end
// the process.
InstallerStart StartVerifiedInstaller(const std::string& installerFile,
                                      std::string_view publicKeyPem);
