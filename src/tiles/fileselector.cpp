#include "tiles/fileselector.h"

#include "base/dialogservice.h"
#include "tiles/filetypes.h"

FileSelector::FileSelector(DialogService& dialogs) : dialogs(dialogs) {}

std::optional<std::vector<std::string>> FileSelector::SelectFiles(std::string_view key, bool multi)
{
    dialogShown = true;
    auto files = dialogs.OpenFiles({FileFilterForFunction(key), lastFolder, multi});
    if (!files)
        return std::nullopt;
    if (!multi && files->size() > 1)
        files->resize(1);
    if (!files->empty()) {
        const std::string& first = files->front();
        const std::size_t slash = first.find_last_of('/');
        if (slash != std::string::npos)
            lastFolder = first.substr(0, slash + 1);
    }
    return files;
}
