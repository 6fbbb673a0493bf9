#include "tiles/tileconfig.h"

#include "settings/atomicfile.h"
#include "settings/settingsfiles.h"
#include "utility/tc_checkpath.h"
#include "utility/tc_process.h"
#include "utility/utilitycalls.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

extern const unsigned char rc_config_tileview[];
extern const std::size_t rc_config_tileview_size;

namespace {

constexpr const char* kRoot = "ini";
constexpr const char* kVersion = "iniVersion";
constexpr int kProbeInset = 10;

class StringWriter : public pugi::xml_writer
{
public:
    void write(const void* data, std::size_t size) override
    {
        bytes.append(static_cast<const char*>(data), size);
    }
    std::string bytes;
};

bool IsElement(pugi::xml_node node)
{
    return node.type() == pugi::node_element;
}

TileItem ReadItem(pugi::xml_node element)
{
    TileItem item;
    item.name = element.name();
    item.initialList = element.attribute("initialList").value();
    item.smallIconSkin = element.attribute("smallIconSkin").value();
    item.bigIconSkin = element.attribute("bigIconSkin").value();
    item.text = element.attribute("text").value();
    item.isFree = element.attribute("free").as_bool();
    item.isNew = element.attribute("new").as_bool();
    return item;
}

} // namespace

TileConfig::TileConfig(std::function<void()> updateDesktopIcon, std::string_view defaultContent)
    : updateDesktopIcon(std::move(updateDesktopIcon)), defaultContent(defaultContent)
{
}

TileConfig::TileConfig() : TileConfig(TC_PROCESS::UpdateDesktopIcon) {}

std::string_view TileConfig::DefaultContent()
{
    return {reinterpret_cast<const char*>(rc_config_tileview), rc_config_tileview_size};
}

std::string TileConfig::UserFilePath()
{
    const std::string folder = XmlFolder(Utility::AppDataPath().value_or(""));
    return folder.empty() ? folder : folder + "tileview_ini.xml";
}

bool TileConfig::Load(const std::string& userPath)
{
    groups.clear();
    document.reset();
    path = userPath;

    bool replaced = path.empty();
    if (!path.empty() && !UserFileMatchesDefault()) {
        TC_CHECKPATH::TC_DeleteFile(path.c_str());
        replaced = true;
    }
    if (replaced && updateDesktopIcon)
        updateDesktopIcon();

    if (!path.empty() && TC_CHECKPATH::TC_FileExist(path.c_str())) {
        if (!document.load_file(path.c_str(), pugi::parse_default, pugi::encoding_utf8)) {
            document.reset();
            return false;
        }
    } else {
        if (!LoadDefault(document)) {
            document.reset();
            return false;
        }
        if (!path.empty())
            Save();
    }
    BuildGroups();
    return true;
}

bool TileConfig::LoadDefault(pugi::xml_document& target) const
{
    return target.load_buffer(defaultContent.data(), defaultContent.size(), pugi::parse_default,
                              pugi::encoding_utf8);
}

bool TileConfig::UserFileMatchesDefault() const
{
    pugi::xml_document defaults;
    pugi::xml_document user;
    if (!LoadDefault(defaults) ||
        !user.load_file(path.c_str(), pugi::parse_default, pugi::encoding_utf8))
        return false;
    const pugi::xml_node defaultRoot = defaults.child(kRoot);
    const pugi::xml_node userRoot = user.child(kRoot);
    return defaultRoot && userRoot &&
           std::string_view(defaultRoot.attribute(kVersion).value()) ==
               userRoot.attribute(kVersion).value();
}

void TileConfig::BuildGroups()
{
    for (const pugi::xml_node groupElement : document.child(kRoot).children()) {
        if (!IsElement(groupElement))
            continue;
        std::vector<TileItem> items;
        for (const pugi::xml_node tile : groupElement.children())
            if (IsElement(tile))
                items.push_back(ReadItem(tile));
        groups[groupElement.name()] = TileGroup{nullptr, TileRect{}, std::move(items)};
    }
}

void TileConfig::Save()
{
    StringWriter writer;
    document.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    WriteFileAtomically(path, writer.bytes);
}

const TileGroup* TileConfig::FindGroup(std::string_view group) const
{
    const auto found = groups.find(group);
    return found == groups.end() ? nullptr : &found->second;
}

TileGroup* TileConfig::FindGroup(std::string_view group)
{
    const auto found = groups.find(group);
    return found == groups.end() ? nullptr : &found->second;
}

std::vector<std::string> TileConfig::GroupNames() const
{
    std::vector<std::string> names;
    for (const auto& [name, group] : groups)
        if (!name.empty())
            names.push_back(name);
    return names;
}

std::vector<TileView*> TileConfig::Views() const
{
    std::vector<TileView*> views;
    for (const auto& [name, group] : groups)
        if (group.view)
            views.push_back(group.view);
    return views;
}

TileView* TileConfig::View(std::string_view group) const
{
    const TileGroup* found = FindGroup(group);
    return found ? found->view : nullptr;
}

void TileConfig::SetView(const std::string& group, TileView* view)
{
    groups[group].view = view;
}

TileRect TileConfig::GroupRect(std::string_view group) const
{
    const TileGroup* found = FindGroup(group);
    return found ? found->rect : TileRect{};
}

void TileConfig::SetGroupRect(std::string_view group, const TileRect& rect)
{
    if (TileGroup* found = FindGroup(group))
        found->rect = rect;
}

std::size_t TileConfig::ItemCount(std::string_view group) const
{
    const TileGroup* found = FindGroup(group);
    return found ? found->items.size() : 0;
}

TileItem TileConfig::Item(std::string_view group, std::size_t index) const
{
    const TileGroup* found = FindGroup(group);
    return found && index < found->items.size() ? found->items[index] : TileItem{};
}

void TileConfig::SetItemPanel(std::string_view group, std::size_t index, TilePanel* panel)
{
    TileGroup* found = FindGroup(group);
    if (found && index < found->items.size())
        found->items[index].panel = panel;
}

TileItem TileConfig::ItemWithKey(std::string_view group, std::string_view key) const
{
    if (const TileGroup* found = FindGroup(group))
        for (const TileItem& item : found->items)
            if (item.name == key)
                return item;
    return {};
}

std::optional<TileItem> TileConfig::FindItem(std::string_view key) const
{
    for (const auto& [name, group] : groups)
        for (const TileItem& item : group.items)
            if (item.name == key)
                return item;
    return std::nullopt;
}

std::string TileConfig::CaptionOf(std::string_view key) const
{
    const auto item = FindItem(key);
    return item ? item->text : std::string();
}

std::optional<TileItem> TileConfig::ItemAtFlatIndex(std::size_t n) const
{
    for (const auto& [name, group] : groups) {
        if (n < group.items.size())
            return group.items[n];
        n -= group.items.size();
    }
    return std::nullopt;
}

std::size_t TileConfig::TotalItemCount() const
{
    std::size_t total = 0;
    for (const auto& [name, group] : groups)
        total += group.items.size();
    return total;
}

std::optional<TileConfig::MoveResult> TileConfig::MoveItem(const TilePanel* panel, bool toCommon)
{
    const TileView* owner = panel ? panel->OwnerView() : nullptr;
    if (!owner)
        return std::nullopt;
    const std::string sourceName = owner->ViewName();
    TileGroup* source = sourceName.empty() ? nullptr : FindGroup(sourceName);
    if (!source)
        return std::nullopt;
    const auto found = std::find_if(source->items.begin(), source->items.end(),
                                    [&](const TileItem& item) { return item.panel == panel; });
    if (found == source->items.end())
        return std::nullopt;
    const auto index = std::distance(source->items.begin(), found);
    const TileItem item = *found;

    if (!path.empty()) {
        MoveElement(item, toCommon);
        Save();
    }

    // Map nodes stay put when others are inserted, so `source` survives this lookup; the
    // source may also be the destination, hence erasing by index after the append.
    TileGroup& destination = groups[toCommon ? std::string(kCommonGroup) : item.initialList];
    destination.items.push_back(item);
    source->items.erase(source->items.begin() + index);
    return MoveResult{destination.view, source->view};
}

void TileConfig::MoveElement(const TileItem& item, bool toCommon)
{
    const pugi::xml_node root = document.child(kRoot);
    const pugi::xml_node common = root.child(kCommonGroup);
    const pugi::xml_node home = root.child(item.initialList.c_str());
    if (!IsElement(common) || !IsElement(home))
        return;
    auto [from, to] = toCommon ? std::pair(home, common) : std::pair(common, home);
    const pugi::xml_node element = from.child(item.name.c_str());
    if (!IsElement(element))
        return;
    to.append_copy(element);
    from.remove_child(element);
}

int TileConfig::GroupIndexAt(int y) const
{
    if (groups.empty())
        return -1;
    const int x = groups.begin()->second.rect.left + kProbeInset;
    for (const auto& [name, group] : groups)
        if (group.view && group.rect.Contains(x, y))
            return group.view->LeftBarIndex();
    return -1;
}
