#include "settings/firststart.h"

#include "settings/profilefile.h"

bool RunFirstStartCheck(const std::string& configPath, bool signedIn, bool fileDialogShown)
{
    const ProfileFile config(configPath);
    if (config.ReadInt("Settings", "firststart", 0) != 0)
        return false;
    config.WriteString("Settings", "firststart", "1");
    return !signedIn && !fileDialogShown;
}
