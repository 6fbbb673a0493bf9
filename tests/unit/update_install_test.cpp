// The check of an installer's signature and the start of a verified installer.
#include "support/scratchdir.h"
#include "support/signingkey.h"
#include "update/installerlaunch.h"
#include "update/installersignature.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(InstallerSignatureTest, OnlyTheKeysOwnSignatureOfTheSameBytesPasses)
{
    const SigningKey key;
    const SigningKey stranger;
    const std::string data = "#!/bin/sh\nexit 0\n";
    const std::string signature = key.Sign(data);

    EXPECT_TRUE(IsSignedBy(data, signature, key.PublicPem()));
    std::string tampered = data;
    tampered[3] ^= 1;
    EXPECT_FALSE(IsSignedBy(tampered, signature, key.PublicPem()));
    EXPECT_FALSE(IsSignedBy(data + "\n", signature, key.PublicPem()));
    EXPECT_FALSE(IsSignedBy(data, stranger.Sign(data), key.PublicPem()));
    EXPECT_FALSE(IsSignedBy(data, signature.substr(0, 63), key.PublicPem()));
    EXPECT_FALSE(IsSignedBy(data, signature + "x", key.PublicPem()));
    // A build without a key, or with something else in its place, trusts nothing.
    EXPECT_FALSE(IsSignedBy(data, signature, ""));
    EXPECT_FALSE(IsSignedBy(data, signature, "-----BEGIN PUBLIC KEY-----\nAAAA\n"));
}

class InstallerStartTest : public testing::Test
{
protected:
    std::string Installer() const { return scratch.File("DokoraSetup.exe"); }
    fs::path Marker() const { return scratch.Path() / "ran"; }

    // A script that records that it ran, and its signature beside it.
    std::string WriteSignedInstaller()
    {
        const std::string script = "#!/bin/sh\necho ran > '" + Marker().string() + "'\n";
        WriteFileBytes(Installer(), script);
        WriteFileBytes(Installer() + ".sig", key.Sign(script));
        return script;
    }

    bool MarkerAppears()
    {
        for (int i = 0; i < 200 && !fs::exists(Marker()); ++i)
            std::this_thread::sleep_for(10ms);
        return fs::exists(Marker());
    }

    // Refused: nothing ran and neither the installer nor its signature is left.
    void ExpectRefused(const std::string& keyPem)
    {
        EXPECT_EQ(StartVerifiedInstaller(Installer(), keyPem), InstallerStart::Refused);
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(fs::exists(Marker()));
        EXPECT_FALSE(fs::exists(Installer()));
        EXPECT_FALSE(fs::exists(Installer() + ".sig"));
    }

    ScratchDir scratch;
    SigningKey key;
};

TEST_F(InstallerStartTest, AVerifiedInstallerRunsFromAPrivateExecutableCopy)
{
    const std::string script = WriteSignedInstaller();
    // As downloaded: not executable. The client runs its own copy, not this file.
    fs::permissions(Installer(), fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(StartVerifiedInstaller(Installer(), key.PublicPem()), InstallerStart::Started);
    EXPECT_TRUE(MarkerAppears());
    EXPECT_EQ(ReadFileBytes(Installer()), script);
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(scratch.Path())) {
        if (entry.path().extension() != ".run")
            continue;
        ++copies;
        EXPECT_EQ(ReadFileBytes(entry.path()), script);
        EXPECT_EQ(entry.status().permissions() & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_EQ(copies, 1);
}

TEST_F(InstallerStartTest, ATamperedUnsignedOrForeignInstallerNeverRuns)
{
    WriteSignedInstaller();
    WriteFileBytes(Installer(), ReadFileBytes(Installer()) + "# added\n");
    ExpectRefused(key.PublicPem());

    WriteSignedInstaller();
    fs::remove(Installer() + ".sig");
    ExpectRefused(key.PublicPem());

    WriteSignedInstaller();
    ExpectRefused(SigningKey().PublicPem());

    WriteSignedInstaller();
    ExpectRefused("");

    EXPECT_EQ(StartVerifiedInstaller(Installer(), key.PublicPem()), InstallerStart::Refused);
}

} // namespace
