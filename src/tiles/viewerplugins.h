#pragma once

#include "account/pluginimage.h"
#include "tiles/documentviewer.h"
#include "tiles/quillkitapi.h"

#include <optional>
#include <string>

inline constexpr const char* kViewerPluginFile = "libLeafview.so";
inline constexpr const char* kToolKitPluginFile = "libQuillkit.so";

// Where the two plug-ins come from and the digests the build recorded for them.
struct ViewerPluginSetup
{
    std::string workDir; // ends with '/'; holds the plug-ins and "print.tmp"; empty: none
    std::string viewerDigest;
    std::string toolKitDigest;
    PluginImageLoader loadFromMemory = LoadFromMemoryFile;
};

// The viewer and tool-kit plug-ins, each checked against its digest and loaded on first use,
// then kept for the life of the process. A plug-in that is missing, altered or lacks an export
// is not loaded again. UI thread only.
class ViewerPlugins : public DocumentViewer
{
public:
    explicit ViewerPlugins(ViewerPluginSetup setup) : setup(std::move(setup)) {}

    bool NeedsPassword(const std::string& path) override;
    ViewerOpen ShowViewer(const std::string& path, ViewerFunctionCallback callback, bool scanned,
                          void* owner, const std::optional<std::string>& password) override;
    bool ShowPrint(const std::string& path, const std::optional<std::string>& password) override;
    void PreparePrinting() override;
    bool IsPasswordCorrect(const std::string& documentPath, const std::string& password) override;

private:
    struct Viewer
    {
        ShowLeafviewWndFn showViewer = nullptr;
        ShowPrintWndFn showPrint = nullptr;
        IsPasswordCorrectFn isPasswordCorrect = nullptr;
    };
    struct ToolKit
    {
        CreateToolKitFn create = nullptr;
        DestoryToolKitFn destroy = nullptr;
    };

    // The loaded plug-in; nullptr when it cannot be had.
    const Viewer* LoadViewer();
    const ToolKit* LoadToolKit();
    // The loaded module of `file`, null (logged) when missing, altered or not loadable.
    void* LoadModule(const char* file, const std::string& digest) const;

    ViewerPluginSetup setup;
    std::optional<Viewer> viewer; // set once tried: empty functions when that failed
    std::optional<ToolKit> toolKit;
};
