#include "support/companionprobe.h"

#include "account/companion.h"
#include "support/scratchdir.h"

std::string PlaceRecordingCompanion(const std::filesystem::path& workDir)
{
    const std::string args = (workDir / "args.txt").string();
    WriteFileBytes(workDir / kCompanionProgram, "#!/bin/sh\nprintf '%s' \"$1\" > '" + args + "'\n");
    std::filesystem::permissions(workDir / kCompanionProgram, std::filesystem::perms::owner_all);
    return args;
}
