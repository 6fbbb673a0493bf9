#pragma once

#include <string>

// The first-start check the main window runs: when Config.ini section Settings has no
// non-zero firststart, writes firststart=1 and answers whether to invite the user to log in
// (only when not signed in and no open-file dialog has been shown in this run). The
// invitation is offered at most once, whatever the user answers.
bool RunFirstStartCheck(const std::string& configPath, bool signedIn, bool fileDialogShown);
