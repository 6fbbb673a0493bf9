#include "tiles/viewerplugins.h"

#include "account/verifiedplugin.h"
#include "utility/applog.h"

#include <dlfcn.h>

namespace {

constexpr const char* kLog = "ViewerPlugins";

template <typename Fn> Fn Export(void* module, const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(module, name));
}

const char* OrNull(const std::optional<std::string>& text)
{
    return text ? text->c_str() : nullptr;
}

} // namespace

void* ViewerPlugins::LoadModule(const char* file, const std::string& digest) const
{
    // Never a file of whatever directory the process happens to be in.
    if (setup.workDir.empty()) {
        AppLog(kLog, std::string("no work directory for ") + file);
        return nullptr;
    }
    const std::string path = setup.workDir + file;
    const VerifiedPlugin plugin = LoadVerifiedPlugin(path, digest, setup.loadFromMemory);
    switch (plugin.check) {
    case PluginCheck::Missing:
        AppLog(kLog, path + " is missing");
        return nullptr;
    case PluginCheck::Altered:
        AppLog(kLog, path + " is not the file this build made");
        return nullptr;
    case PluginCheck::Authentic:
        break;
    }
    if (!plugin.module)
        AppLog(kLog, path + " could not be loaded");
    return plugin.module;
}

const ViewerPlugins::Viewer* ViewerPlugins::LoadViewer()
{
    if (!viewer) {
        viewer.emplace();
        if (void* module = LoadModule(kViewerPluginFile, setup.viewerDigest)) {
            Viewer loaded{Export<ShowLeafviewWndFn>(module, kShowLeafviewWndExport),
                          Export<ShowPrintWndFn>(module, kShowPrintWndExport),
                          Export<IsPasswordCorrectFn>(module, kIsPasswordCorrectExport)};
            if (loaded.showViewer && loaded.showPrint && loaded.isPasswordCorrect)
                *viewer = loaded;
            else
                AppLog(kLog, "the viewer plug-in lacks an export");
        }
    }
    return viewer->showViewer ? &*viewer : nullptr;
}

const ViewerPlugins::ToolKit* ViewerPlugins::LoadToolKit()
{
    if (!toolKit) {
        toolKit.emplace();
        if (void* module = LoadModule(kToolKitPluginFile, setup.toolKitDigest)) {
            ToolKit loaded{Export<CreateToolKitFn>(module, kCreateToolKitExport),
                           Export<DestoryToolKitFn>(module, kDestoryToolKitExport)};
            if (loaded.create && loaded.destroy)
                *toolKit = loaded;
            else
                AppLog(kLog, "the tool-kit plug-in lacks an export");
        }
    }
    return toolKit->create ? &*toolKit : nullptr;
}

bool ViewerPlugins::NeedsPassword(const std::string& path)
{
    const ToolKit* kit = LoadToolKit();
    if (!kit)
        return false;
    IToolKit* object = kit->create();
    if (!object)
        return false;
    const int answer = object->NeedsOpenPassword(path);
    kit->destroy(object);
    return answer == 1;
}

ViewerOpen ViewerPlugins::ShowViewer(const std::string& path, ViewerFunctionCallback callback,
                                     bool scanned, void* owner,
                                     const std::optional<std::string>& password)
{
    const Viewer* loaded = LoadViewer();
    if (!loaded)
        return ViewerOpen::Missing;
    return loaded->showViewer(path.c_str(), callback, scanned, owner, OrNull(password))
               ? ViewerOpen::Shown
               : ViewerOpen::Unreadable;
}

bool ViewerPlugins::ShowPrint(const std::string& path, const std::optional<std::string>& password)
{
    const Viewer* loaded = LoadViewer();
    if (!loaded)
        return false;
    loaded->showPrint(path.c_str(), OrNull(password));
    return true;
}

void ViewerPlugins::PreparePrinting()
{
    ShowPrint(setup.workDir + kPrintWarmUpFile, std::nullopt);
}

bool ViewerPlugins::IsPasswordCorrect(const std::string& documentPath, const std::string& password)
{
    const Viewer* loaded = LoadViewer();
    return loaded && loaded->isPasswordCorrect(documentPath.c_str(), password.c_str());
}
