#include "ooxmlpackage.h"

#include <zip.h>

#include <algorithm>
#include <sstream>

namespace Layout {
namespace {

std::string Serialise(const pugi::xml_document& xml)
{
    std::ostringstream out;
    xml.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

std::string Extension(const std::string& name)
{
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string MediaType(const std::string& extension)
{
    if (extension == "png") {
        return "image/png";
    }
    if (extension == "jpeg" || extension == "jpg") {
        return "image/jpeg";
    }
    return "application/octet-stream";
}

std::string RelationshipsName(const std::string& part)
{
    const auto slash = part.rfind('/');
    if (slash == std::string::npos) {
        return "_rels/" + part + ".rels";
    }
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

bool AddMember(zip_t* archive, const std::string& name, const std::string& bytes)
{
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (source == nullptr) {
        return false;
    }
    if (zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(source);
        return false;
    }
    return true;
}

} // namespace

std::string RelationshipType(const std::string& name)
{
    return "http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + name;
}

std::string ContentType(const std::string& name)
{
    return "application/vnd.openxmlformats-officedocument." + name + "+xml";
}

std::string Relationships::Add(const std::string& type, const std::string& target)
{
    entries_.push_back({type, target});
    return "rId" + std::to_string(entries_.size());
}

void Relationships::Write(pugi::xml_document& xml) const
{
    pugi::xml_node root = AddRoot(xml, "Relationships");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/relationships";
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        pugi::xml_node entry = root.append_child("Relationship");
        entry.append_attribute("Id") = ("rId" + std::to_string(i + 1)).c_str();
        entry.append_attribute("Type") = entries_[i].type.c_str();
        entry.append_attribute("Target") = entries_[i].target.c_str();
    }
}

pugi::xml_node AddRoot(pugi::xml_document& xml, const char* name)
{
    pugi::xml_node declaration = xml.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";
    return xml.append_child(name);
}

pugi::xml_node AddElement(pugi::xml_node parent, const char* name, Attributes attributes)
{
    pugi::xml_node element = parent.append_child(name);
    for (const auto& [attribute, value] : attributes) {
        element.append_attribute(attribute) = value.c_str();
    }
    return element;
}

void OoxmlPackage::AddPart(const std::string& name, const pugi::xml_document& xml,
                           const std::string& contentType)
{
    members_.emplace_back(name, Serialise(xml));
    overrides_.emplace_back("/" + name, contentType);
}

void OoxmlPackage::AddRelationships(const std::string& part, const Relationships& relationships)
{
    AddRelationshipsMember(RelationshipsName(part), relationships);
}

void OoxmlPackage::AddMainDocument(const std::string& part)
{
    Relationships relationships;
    relationships.Add(RelationshipType("officeDocument"), part);
    AddRelationshipsMember("_rels/.rels", relationships);
}

void OoxmlPackage::AddRelationshipsMember(const std::string& member,
                                          const Relationships& relationships)
{
    pugi::xml_document xml;
    relationships.Write(xml);
    members_.emplace_back(member, Serialise(xml));
}

void OoxmlPackage::AddMedia(const std::string& name, std::string bytes)
{
    const std::string extension = Extension(name);
    if (std::find(mediaExtensions_.begin(), mediaExtensions_.end(), extension) ==
        mediaExtensions_.end()) {
        mediaExtensions_.push_back(extension);
    }
    members_.emplace_back(name, std::move(bytes));
}

pugi::xml_document OoxmlPackage::ContentTypes() const
{
    pugi::xml_document xml;
    pugi::xml_node root = AddRoot(xml, "Types");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/content-types";
    const auto addDefault = [&root](const std::string& extension, const std::string& type) {
        pugi::xml_node entry = root.append_child("Default");
        entry.append_attribute("Extension") = extension.c_str();
        entry.append_attribute("ContentType") = type.c_str();
    };
    addDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
    addDefault("xml", "application/xml");
    for (const std::string& extension : mediaExtensions_) {
        addDefault(extension, MediaType(extension));
    }
    for (const auto& [name, type] : overrides_) {
        pugi::xml_node entry = root.append_child("Override");
        entry.append_attribute("PartName") = name.c_str();
        entry.append_attribute("ContentType") = type.c_str();
    }
    return xml;
}

bool OoxmlPackage::Write(const std::filesystem::path& target, std::string& error) const
{
    const std::filesystem::path temporary = target.string() + ".part";
    const auto fail = [&temporary, &error](const std::string& message) {
        error = message;
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    };
    int code = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        return fail("the document cannot be created: " + temporary.string());
    }
    const std::string contentTypes = Serialise(ContentTypes());
    bool added = AddMember(archive, "[Content_Types].xml", contentTypes);
    for (auto member = members_.begin(); added && member != members_.end(); ++member) {
        added = AddMember(archive, member->first, member->second);
    }
    if (!added) {
        const std::string reason = zip_strerror(archive);
        zip_discard(archive);
        return fail("the document cannot be written: " + reason);
    }
    if (zip_close(archive) != 0) {
        const std::string reason = zip_strerror(archive);
        zip_discard(archive);
        return fail("the document cannot be written: " + reason);
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        return fail("the document cannot be stored as " + target.string() + ": " +
                    renameError.message());
    }
    return true;
}

} // namespace Layout
