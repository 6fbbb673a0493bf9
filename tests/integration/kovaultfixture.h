#pragma once

// The account plug-in this build made, loaded with its recorded digest against the fake
// service, with a recording window for its messages.
#include "account/accountlibrary.h"
#include "account/accountloader.h"
#include "plugindigests.h"
#include "support/fakeservice.h"
#include "support/recordingtarget.h"
#include "support/scratchdir.h"
#include "utility/utilitycalls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

inline std::string SessionFilePath()
{
    return Utility::AppDataPath().value_or("") + "Kovault.session";
}

class KovaultTest : public ::testing::Test
{
protected:
    KovaultTest()
    {
        std::filesystem::remove(SessionFilePath());
        account.SetNotifyWindow(&window);
    }

    AccountPluginSetup Setup(std::string path = DOKORA_KOVAULT_FILE) const
    {
        return {std::move(path), KovaultDigest(), "wua-test", "/opt/dokora/dokora",
                service.SsoUrl()};
    }

    FakeService service;
    RecordingTarget window;
    AccountLibrary account;
    ScratchDir scratch;
};
