// The user's tile file: loaded against the built-in default and walked through.
#include "fuzzinput.h"
#include "tiles/tileconfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto path = FuzzInput::WriteFile("tileview_ini.xml", FuzzInput::Text(data, size));
    TileConfig config([] {});
    config.Load(path.string());
    for (const auto& group : config.GroupNames()) {
        config.GroupRect(group);
        for (std::size_t i = 0; i < config.ItemCount(group); ++i)
            config.CaptionOf(config.Item(group, i).name);
    }
    for (std::size_t n = 0; n < config.TotalItemCount(); ++n)
        config.ItemAtFlatIndex(n);
    config.GroupIndexAt(100);
    return 0;
}
