#pragma once

#include "tiles/tilemodel.h"

#include <pugixml.hpp>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kCommonGroup = "tileview_common";

// Which tiles exist, in which group and order: the user's tile file in the application-data
// directory, recreated from the built-in default whenever its version differs. Used on the
// UI thread only.
//
// Groups iterate in the alphabetical order of their names, not in file order; the left bar
// lookup and the flat indexes rely on that order. Reading a group that does not exist gives
// nothing and does not create it.
class TileConfig
{
public:
    // Source and destination view of a moved tile (either may be null).
    struct MoveResult
    {
        TileView* destination = nullptr;
        TileView* source = nullptr;
    };

    // `updateDesktopIcon` runs whenever the user file is (re)created from the default, whose
    // content is `defaultContent`.
    explicit TileConfig(std::function<void()> updateDesktopIcon,
                        std::string_view defaultContent = DefaultContent());
    TileConfig();

    // The built-in default tile file.
    static std::string_view DefaultContent();

    // "<application-data>/xml/tileview_ini.xml", creating the folder; "" when there is no
    // writable place for it.
    static std::string UserFilePath();

    // Builds the model from `path` (empty: from the default only, nothing is saved), dropping
    // any attached views. False when no document could be read; the model is then empty.
    bool Load(const std::string& path);
    const std::string& Path() const { return path; }

    // Names of all groups, empty names left out.
    std::vector<std::string> GroupNames() const;
    // The attached views.
    std::vector<TileView*> Views() const;
    TileView* View(std::string_view group) const;
    // Attaching a view to an unknown name creates that group.
    void SetView(const std::string& group, TileView* view);
    TileRect GroupRect(std::string_view group) const;
    void SetGroupRect(std::string_view group, const TileRect& rect);

    std::size_t ItemCount(std::string_view group) const;
    // A copy; an empty item for an unknown group or an index past the end.
    TileItem Item(std::string_view group, std::size_t index) const;
    void SetItemPanel(std::string_view group, std::size_t index, TilePanel* panel);
    // The first tile of `group` with `key`; an empty item when there is none.
    TileItem ItemWithKey(std::string_view group, std::string_view key) const;

    // The first tile with `key` over all groups.
    std::optional<TileItem> FindItem(std::string_view key) const;
    // The caption key of that tile, "" when there is none.
    std::string CaptionOf(std::string_view key) const;
    // The n-th tile counting through all groups.
    std::optional<TileItem> ItemAtFlatIndex(std::size_t n) const;
    std::size_t TotalItemCount() const;

    // Moves the tile shown by `panel` to the end of the common group (`toCommon`) or back
    // to the end of its home group, in the file and in the model. Nothing when the panel is
    // unknown.
    std::optional<MoveResult> MoveItem(const TilePanel* panel, bool toCommon);

    // Left-bar index of the group whose rectangle holds height `y` of the scroll content;
    // -1 when none does.
    int GroupIndexAt(int y) const;

    bool ScrollingByLeftBar() const { return scrollingByLeftBar; }
    void SetScrollingByLeftBar(bool value) { scrollingByLeftBar = value; }

private:
    bool LoadDefault(pugi::xml_document& target) const;
    bool UserFileMatchesDefault() const;
    void MoveElement(const TileItem& item, bool toCommon);
    void BuildGroups();
    void Save();
    const TileGroup* FindGroup(std::string_view group) const;
    TileGroup* FindGroup(std::string_view group);

    std::function<void()> updateDesktopIcon;
    std::string_view defaultContent;
    std::map<std::string, TileGroup, std::less<>> groups;
    pugi::xml_document document;
    std::string path;
    bool scrollingByLeftBar = false;
};
