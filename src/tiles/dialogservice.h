#pragma once

#include <optional>
#include <string>
#include <vector>

// What the open-file dialog is asked for.
struct OpenFileRequest
{
    std::string filter;        // "<description> (<patterns>)", see FileFilterForFunction
    std::string initialFolder; // "" lets the dialog choose
    bool multiSelect = false;
};

// The dialogs the windows show, behind one interface: the program opens real dialogs, tests
// script the answers. Runs on the UI thread.
class DialogService
{
public:
    virtual ~DialogService() = default;
    // Full paths of the chosen files in the order given; nullopt when cancelled.
    virtual std::optional<std::vector<std::string>> OpenFiles(const OpenFileRequest& request) = 0;
};
