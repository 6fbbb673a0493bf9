#include "tiles/fileselector.h"

#include "base/dialogservice.h"
#include "tiles/filetypes.h"
#include "utility/pathsplit.h"

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
        if (const auto folder = SplitPath(files->front(), "/").folder; !folder.empty())
            lastFolder = folder;
    }
    return files;
}
