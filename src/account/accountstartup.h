#pragma once

#include <optional>

class AccountLibrary;
class MessageTarget;
struct AccountPluginSetup;

// How bringing the account plug-in into service ended.
enum class AccountStartup
{
    Started,
    ComponentMissing, // missing, not authentic or not loadable: the user is told, then the
                      // program ends
    Failed,           // loaded but refused its set-up: the program ends without a message
};

// Brings the account plug-in into service once the main window shows: the window receives
// the account messages, the plug-in is checked, loaded and initialised, then started (a
// sign-in kept from an earlier run is announced then). Without a setup nothing can load.
AccountStartup InitAccount(AccountLibrary& account, MessageTarget* mainWnd,
                           const std::optional<AccountPluginSetup>& setup);
