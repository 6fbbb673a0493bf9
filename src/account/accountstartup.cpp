#include "account/accountstartup.h"

#include "account/accountlibrary.h"
#include "account/accountloader.h"
#include "utility/applog.h"

AccountStartup InitAccount(AccountLibrary& account, MessageTarget* mainWnd,
                           const std::optional<AccountPluginSetup>& setup)
{
    account.SetNotifyWindow(mainWnd);
    if (!setup)
        return AccountStartup::Failed;
    switch (LoadAccountLibrary(account, *setup)) {
    case AccountLoad::Loaded:
        break;
    case AccountLoad::Missing:
    case AccountLoad::Altered:
        AppLog("InitAccount", "account plug-in missing or altered");
        return AccountStartup::ComponentMissing;
    default:
        AppLog("InitAccount", "account plug-in cannot be used");
        return AccountStartup::Failed;
    }
    account.Start();
    return AccountStartup::Started;
}
