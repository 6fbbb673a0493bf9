#include "pptxtheme.h"

#include "ooxmlcommon.h"
#include "ooxmlpackage.h"

#include <array>
#include <utility>

namespace Layout {
namespace {

constexpr const char* kLatinFont = "Liberation Sans";

void AddFonts(pugi::xml_node parent, const char* name)
{
    pugi::xml_node fonts = AddElement(parent, name);
    AddElement(fonts, "a:latin", {{"typeface", kLatinFont}});
    AddElement(fonts, "a:ea", {{"typeface", kEastAsianFont}});
    AddElement(fonts, "a:cs", {{"typeface", ""}});
}

void AddPlaceholderFill(pugi::xml_node parent)
{
    AddElement(AddElement(parent, "a:solidFill"), "a:schemeClr", {{"val", "phClr"}});
}

} // namespace

void AddPresentationNamespaces(pugi::xml_node root)
{
    root.append_attribute("xmlns:a") = Namespace::kDrawing;
    root.append_attribute("xmlns:r") = Namespace::kRelationships;
    root.append_attribute("xmlns:p") = "http://schemas.openxmlformats.org/presentationml/2006/main";
}

pugi::xml_node AddShapeTree(pugi::xml_node slideContent)
{
    pugi::xml_node tree = AddElement(slideContent, "p:spTree");
    pugi::xml_node nonVisual = AddElement(tree, "p:nvGrpSpPr");
    AddElement(nonVisual, "p:cNvPr", {{"id", "1"}, {"name", ""}});
    AddElement(nonVisual, "p:cNvGrpSpPr");
    AddElement(nonVisual, "p:nvPr");
    pugi::xml_node transform = AddElement(AddElement(tree, "p:grpSpPr"), "a:xfrm");
    AddElement(transform, "a:off", {{"x", "0"}, {"y", "0"}});
    AddElement(transform, "a:ext", {{"cx", "0"}, {"cy", "0"}});
    AddElement(transform, "a:chOff", {{"x", "0"}, {"y", "0"}});
    AddElement(transform, "a:chExt", {{"cx", "0"}, {"cy", "0"}});
    return tree;
}

void WritePresentationTheme(pugi::xml_document& xml)
{
    static constexpr std::array<std::pair<const char*, const char*>, 12> kColours = {{
        {"a:dk1", "000000"},
        {"a:lt1", "FFFFFF"},
        {"a:dk2", "1F2937"},
        {"a:lt2", "F3F4F6"},
        {"a:accent1", "2563EB"},
        {"a:accent2", "DC2626"},
        {"a:accent3", "16A34A"},
        {"a:accent4", "9333EA"},
        {"a:accent5", "EA580C"},
        {"a:accent6", "0891B2"},
        {"a:hlink", "1D4ED8"},
        {"a:folHlink", "7C3AED"},
    }};
    pugi::xml_node root = AddRoot(xml, "a:theme");
    root.append_attribute("xmlns:a") = Namespace::kDrawing;
    root.append_attribute("name") = "Plain";
    pugi::xml_node elements = AddElement(root, "a:themeElements");
    pugi::xml_node colours = AddElement(elements, "a:clrScheme", {{"name", "Plain"}});
    for (const auto& [name, value] : kColours) {
        AddElement(AddElement(colours, name), "a:srgbClr", {{"val", value}});
    }
    pugi::xml_node fonts = AddElement(elements, "a:fontScheme", {{"name", "Plain"}});
    AddFonts(fonts, "a:majorFont");
    AddFonts(fonts, "a:minorFont");
    pugi::xml_node formats = AddElement(elements, "a:fmtScheme", {{"name", "Plain"}});
    pugi::xml_node fills = AddElement(formats, "a:fillStyleLst");
    pugi::xml_node lines = AddElement(formats, "a:lnStyleLst");
    pugi::xml_node effects = AddElement(formats, "a:effectStyleLst");
    pugi::xml_node backgrounds = AddElement(formats, "a:bgFillStyleLst");
    // Each list needs three entries: subtle, moderate and intense.
    for (const char* width : {"6350", "12700", "19050"}) {
        AddPlaceholderFill(fills);
        AddPlaceholderFill(AddElement(lines, "a:ln", {{"w", width}}));
        AddElement(AddElement(effects, "a:effectStyle"), "a:effectLst");
        AddPlaceholderFill(backgrounds);
    }
    AddElement(root, "a:objectDefaults");
    AddElement(root, "a:extraClrSchemeLst");
}

void WriteSlideMaster(pugi::xml_document& xml)
{
    pugi::xml_node root = AddRoot(xml, "p:sldMaster");
    AddPresentationNamespaces(root);
    pugi::xml_node content = AddElement(root, "p:cSld");
    pugi::xml_node background =
        AddElement(AddElement(content, "p:bg"), "p:bgRef", {{"idx", "1001"}});
    AddElement(background, "a:schemeClr", {{"val", "bg1"}});
    AddShapeTree(content);
    AddElement(root, "p:clrMap",
               {{"bg1", "lt1"},
                {"tx1", "dk1"},
                {"bg2", "lt2"},
                {"tx2", "dk2"},
                {"accent1", "accent1"},
                {"accent2", "accent2"},
                {"accent3", "accent3"},
                {"accent4", "accent4"},
                {"accent5", "accent5"},
                {"accent6", "accent6"},
                {"hlink", "hlink"},
                {"folHlink", "folHlink"}});
    AddElement(AddElement(root, "p:sldLayoutIdLst"), "p:sldLayoutId",
               {{"id", "2147483649"}, {"r:id", "rId1"}});
    pugi::xml_node styles = AddElement(root, "p:txStyles");
    AddElement(styles, "p:titleStyle");
    AddElement(styles, "p:bodyStyle");
    AddElement(styles, "p:otherStyle");
}

void WriteSlideLayout(pugi::xml_document& xml)
{
    pugi::xml_node root = AddRoot(xml, "p:sldLayout");
    AddPresentationNamespaces(root);
    root.append_attribute("type") = "blank";
    root.append_attribute("preserve") = "1";
    AddShapeTree(AddElement(root, "p:cSld", {{"name", "Blank"}}));
    AddElement(AddElement(root, "p:clrMapOvr"), "a:masterClrMapping");
}

} // namespace Layout
