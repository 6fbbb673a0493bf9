#include "account/accountstartup.h"

#include "account/accountlibrary.h"
#include "account/accountloader.h"
#include "utility/applog.h"

AccountStartup InitAccount(AccountLibrary& account, MessageTarget* mainWnd,
                           const std::optional<AccountPluginSetup>& setup)
{
    account.SetNotifyWindow(mainWnd);
    // Whatever keeps the plug-in from loading, the user is told the component is missing.
    switch (setup ? LoadAccountLibrary(account, *setup) : AccountLoad::Missing) {
    case AccountLoad::Loaded:
        break;
    case AccountLoad::Missing:
    case AccountLoad::Altered:
    case AccountLoad::NotLoadable:
    case AccountLoad::NoInstance:
        AppLog("InitAccount", "account plug-in missing, altered or not loadable");
        return AccountStartup::ComponentMissing;
    case AccountLoad::BadSetup:
    case AccountLoad::InitFailed:
        AppLog("InitAccount", "account plug-in refused its set-up");
        return AccountStartup::Failed;
    }
    account.Start();
    return AccountStartup::Started;
}
