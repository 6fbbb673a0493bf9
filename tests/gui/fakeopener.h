#pragma once

#include "gui/guitest.h"
#include "support/scratchdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// The desktop's opener replaced, while it lives, by a script that writes down each target
// it is given; or, made with `installed` false, no opener at all.
class FakeOpener
{
public:
    FakeOpener(const ScratchDir& scratch, bool installed)
        : bin(scratch.Path() / "bin"), log(scratch.Path() / "opened.txt"),
          savedPath(std::getenv("PATH"))
    {
        std::filesystem::create_directories(bin);
        if (installed) {
            std::ofstream(bin / "xdg-open")
                << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '" << log.string() << "'\n";
            std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
        }
        // Without the opener, the system's directories stay out of reach too.
        setenv("PATH", installed ? (bin.string() + ":" + savedPath).c_str() : bin.c_str(), 1);
    }
    ~FakeOpener() { setenv("PATH", savedPath.c_str(), 1); }

    // One "<argument count>|<first argument>" line per call.
    std::string Opened() const { return ReadFileBytes(log); }
    bool WaitForOpened(const std::string& expected) const
    {
        return WaitUntil([&] { return Opened() == expected; });
    }

private:
    std::filesystem::path bin;
    std::filesystem::path log;
    std::string savedPath;
};
