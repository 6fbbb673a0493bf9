#include "support/scripteddialogs.h"

int ScriptedDialogs::ShowMessage(MessageTarget*, int mode, const std::string& text)
{
    std::lock_guard lock(mutex);
    shown.push_back({mode, text});
    return answer;
}

std::vector<ScriptedDialogs::Shown> ScriptedDialogs::Messages() const
{
    std::lock_guard lock(mutex);
    return shown;
}
