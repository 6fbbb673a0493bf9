#pragma once

#include "task/dialogservice.h"

#include <mutex>
#include <string>
#include <vector>

// Records every message box the core asks for and answers each with `answer`.
class ScriptedDialogs : public DialogService
{
public:
    struct Shown
    {
        int mode = 0;
        std::string text;
    };

    int ShowMessage(MessageTarget* owner, int mode, const std::string& text) override;
    std::vector<Shown> Messages() const;

    int answer = 0;

private:
    mutable std::mutex mutex;
    std::vector<Shown> shown;
};
