#pragma once

#include <functional>
#include <string>

// What the buttons of a completion notice ask of the main window.
struct NoticeActions
{
    // Hands a file or a folder to the desktop's opener.
    std::function<void(const std::string& target)> open;
    std::function<void()> showSettings;
};
