// The tool-kit plug-in: answers whether a PDF needs an open password.
#include "tiles/quillkitapi.h"

#include <poppler-qt6.h>

#include <type_traits>

#define QUILLKIT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

class ToolKit final : public IToolKit
{
public:
    int NeedsOpenPassword(const std::string& path) override
    {
        // Without a password poppler opens a protected document locked; a file it cannot read
        // at all is not asking for a password.
        const auto document = Poppler::Document::load(QString::fromStdString(path));
        return document && document->isLocked() ? 1 : 0;
    }
};

} // namespace

QUILLKIT_EXPORT IToolKit* CreateToolKit()
{
    return new ToolKit;
}

QUILLKIT_EXPORT void DestoryToolKit(IToolKit* toolKit)
{
    delete static_cast<ToolKit*>(toolKit);
}

static_assert(std::is_same_v<decltype(&CreateToolKit), CreateToolKitFn>);
static_assert(std::is_same_v<decltype(&DestoryToolKit), DestoryToolKitFn>);
