#pragma once

#include <pugixml.hpp>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// An Office Open XML package assembled in memory and written as one zip file.
namespace Layout {

namespace Namespace {
inline constexpr const char* kRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kDrawing = "http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr const char* kPicture = "http://schemas.openxmlformats.org/drawingml/2006/picture";
inline constexpr const char* kTable = "http://schemas.openxmlformats.org/drawingml/2006/table";
} // namespace Namespace

// The type of an Office relationship by its name: "styles", "image", "slide"...
std::string RelationshipType(const std::string& name);
// The content type of an Office part by its name: "wordprocessingml.styles", "theme"...
std::string ContentType(const std::string& name);

// The relationships of one part, numbered rId1, rId2... in the order they are added.
class Relationships
{
public:
    // The new relationship's id. `target` is relative to the part's folder.
    std::string Add(const std::string& type, const std::string& target);
    void Write(pugi::xml_document& xml) const;

private:
    struct Entry
    {
        std::string type;
        std::string target;
    };
    std::vector<Entry> entries_;
};

// A new XML part's root element, after the XML declaration.
pugi::xml_node AddRoot(pugi::xml_document& xml, const char* name);

using Attributes = std::initializer_list<std::pair<const char*, std::string>>;
// A new last child of `parent` with the given attributes.
pugi::xml_node AddElement(pugi::xml_node parent, const char* name, Attributes attributes = {});

class OoxmlPackage
{
public:
    // An XML part and its content type; `name` has no leading slash ("word/document.xml").
    void AddPart(const std::string& name, const pugi::xml_document& xml,
                 const std::string& contentType);
    // `part`'s relationships, as the part `folder/_rels/file.rels`.
    void AddRelationships(const std::string& part, const Relationships& relationships);
    // The package's own relationships: `part` is its main document.
    void AddMainDocument(const std::string& part);
    // A binary member whose content type follows from its extension ("png", "jpeg").
    void AddMedia(const std::string& name, std::string bytes);

    // Writes the package to `target` completely or not at all: it is built in
    // `target`.part and renamed into place.
    bool Write(const std::filesystem::path& target, std::string& error) const;

private:
    void AddRelationshipsMember(const std::string& member, const Relationships& relationships);
    pugi::xml_document ContentTypes() const;

    std::vector<std::pair<std::string, std::string>> members_;   // name, bytes
    std::vector<std::pair<std::string, std::string>> overrides_; // part name, content type
    std::vector<std::string> mediaExtensions_;
};

} // namespace Layout
