#pragma once

#include "task/windowmessage.h"

#include <string>

// How the core asks the user something: the windows open real dialogs, tests script the
// answers. Calls come from the UI thread and return when the dialog is closed.
class DialogService
{
public:
    // The message box modes the core uses.
    static constexpr int kModeNotice = 12; // one button

    virtual ~DialogService() = default;
    // Shows `text` (a "@string/NAME" key or plain text) in the message box of `mode`, owned by
    // `owner`; returns the button the user pressed.
    virtual int ShowMessage(MessageTarget* owner, int mode, const std::string& text) = 0;
};
