#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class DialogService;

// The main window's open-file dialog for a function: the function's filter, the folder of
// the previous choice, and the record that a dialog has been shown (the first-start prompt
// asks for it). UI thread only.
class FileSelector
{
public:
    explicit FileSelector(DialogService& dialogs);

    // The chosen paths (at most one without `multi`); nullopt when cancelled.
    std::optional<std::vector<std::string>> SelectFiles(std::string_view key, bool multi);
    bool DialogShown() const { return dialogShown; }

private:
    DialogService& dialogs;
    std::string lastFolder;
    bool dialogShown = false;
};
