#pragma once

#include <pugixml.hpp>

namespace Layout {

// The plain theme, slide master and blank layout every presentation written here uses.
void WritePresentationTheme(pugi::xml_document& xml);
void WriteSlideMaster(pugi::xml_document& xml);
void WriteSlideLayout(pugi::xml_document& xml);

// The empty shape tree a slide, layout or master starts with.
pugi::xml_node AddShapeTree(pugi::xml_node slideContent);
// The namespaces of a presentation part.
void AddPresentationNamespaces(pugi::xml_node root);

} // namespace Layout
