#include "utility/stringtable.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = DOKORA_SOURCE_DIR;
const fs::path kTablePath = kSourceDir / "src" / "resources" / "strings.xml";

std::set<std::string> TableNames()
{
    std::set<std::string> names;
    pugi::xml_document doc;
    if (doc.load_file(kTablePath.c_str()))
        for (const pugi::xml_node entry : doc.child("strings").children("string"))
            names.insert(entry.attribute("name").value());
    return names;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool IsScannedFile(const fs::path& path)
{
    static const std::set<std::string> extensions = {".cpp", ".h", ".xml", ".ui", ".qml"};
    return extensions.contains(path.extension().string()) && !fs::equivalent(path, kTablePath);
}

TEST(StringTableResolve, KnownKeyGivesItsText)
{
    EXPECT_EQ(StringTable::Resolve("@string/str_conv_wait"), "等待开始");
    // Blanks at the start belong to the text: the list headers are indented with them.
    EXPECT_EQ(StringTable::Resolve("@string/str_list_header_file"), "  文件 (%d)");
}

TEST(StringTableResolve, UnknownKeyAndPlainTextComeBackUnchanged)
{
    EXPECT_EQ(StringTable::Resolve("@string/str_no_such_entry"), "@string/str_no_such_entry");
    EXPECT_EQ(StringTable::Resolve("@string/"), "@string/");
    EXPECT_EQ(StringTable::Resolve("等待开始"), "等待开始");
    EXPECT_EQ(StringTable::Resolve("str_conv_wait"), "str_conv_wait");
    EXPECT_EQ(StringTable::Resolve(" @string/str_conv_wait"), " @string/str_conv_wait");
    EXPECT_EQ(StringTable::Resolve(""), "");
}

TEST(StringTableContains, TakesKeysWithOrWithoutPrefix)
{
    EXPECT_TRUE(StringTable::Contains("@string/str_conv_wait"));
    EXPECT_TRUE(StringTable::Contains("str_conv_wait"));
    EXPECT_FALSE(StringTable::Contains("@string/str_no_such_entry"));
    EXPECT_FALSE(StringTable::Contains("@string/"));
}

// Every "@string/str_..." in the program's sources, layouts and resources has an entry. A key
// ending in '_' is a prefix the code completes at run time (the tile captions); at least one
// entry must start with it.
TEST(StringTableReferences, EveryKeyInTheSourcesHasAnEntry)
{
    const std::set<std::string> names = TableNames();
    ASSERT_FALSE(names.empty());
    const std::regex keyPattern(R"(@string/(str_[A-Za-z0-9_]*))");

    std::vector<std::string> unknown;
    int scannedFiles = 0;
    for (const char* dir : {"src", "plugins", "server"}) {
        if (!fs::is_directory(kSourceDir / dir))
            continue;
        for (const auto& file : fs::recursive_directory_iterator(kSourceDir / dir)) {
            if (!file.is_regular_file() || !IsScannedFile(file.path()))
                continue;
            ++scannedFiles;
            const std::string text = ReadFile(file.path());
            for (auto it = std::sregex_iterator(text.begin(), text.end(), keyPattern);
                 it != std::sregex_iterator(); ++it) {
                const std::string key = (*it)[1];
                const bool known = key.ends_with('_') ? names.lower_bound(key) != names.end() &&
                                                            names.lower_bound(key)->starts_with(key)
                                                      : StringTable::Contains(key);
                if (!known)
                    unknown.push_back(fs::relative(file.path(), kSourceDir).string() + ": " + key);
            }
        }
    }
    EXPECT_GT(scannedFiles, 0);
    EXPECT_TRUE(unknown.empty()) << "keys without an entry:\n"
                                 << [&] {
                                        std::string list;
                                        for (const std::string& line : unknown)
                                            list += "  " + line + "\n";
                                        return list;
                                    }();
}

TEST(StringTableFile, IsWellFormedWithUniqueNames)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(kTablePath.c_str());
    ASSERT_TRUE(parsed) << kTablePath << ": " << parsed.description() << " at offset "
                        << parsed.offset;
    const pugi::xml_node root = doc.child("strings");
    ASSERT_TRUE(root);

    const std::regex namePattern("str_[A-Za-z0-9_]+");
    std::set<std::string> seen;
    int entries = 0;
    for (const pugi::xml_node node : root.children()) {
        if (node.type() != pugi::node_element)
            continue;
        ++entries;
        const std::string name = node.attribute("name").value();
        EXPECT_STREQ(node.name(), "string") << name;
        EXPECT_TRUE(std::regex_match(name, namePattern)) << "bad name '" << name << "'";
        EXPECT_TRUE(seen.insert(name).second) << "duplicate name " << name;
        // A nested element or an empty entry would silently resolve to a wrong text.
        EXPECT_FALSE(node.first_child().empty()) << name << " is empty";
        EXPECT_EQ(node.first_child().type(), pugi::node_pcdata) << name;
        EXPECT_EQ(node.first_child(), node.last_child()) << name;
        EXPECT_TRUE(StringTable::Contains(name)) << name << " is missing from the built table";
    }
    EXPECT_GT(entries, 0);
}

} // namespace
