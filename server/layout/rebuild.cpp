// dokora-rebuild FORMAT INPUT.pdf OUTPUT: writes the PDF as an editable document, FORMAT one of
// docx, xlsx, pptx. Exits 0 with OUTPUT written, otherwise 1 with the reason on stderr.

#include "docxwriter.h"
#include "pptxwriter.h"
#include "rebuilder.h"
#include "xlsxwriter.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

using Writer = bool (*)(const Layout::Document&, const fs::path&, std::string&);

const std::map<std::string, Writer>& Writers()
{
    static const std::map<std::string, Writer> writers = {
        {"docx", Layout::WriteDocx}, {"xlsx", Layout::WriteXlsx}, {"pptx", Layout::WritePptx}};
    return writers;
}

int Fail(const std::string& message)
{
    std::cerr << "dokora-rebuild: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || Writers().count(argv[1]) == 0) {
        return Fail("usage: dokora-rebuild docx|xlsx|pptx INPUT.pdf OUTPUT");
    }
    std::error_code ignored;
    const fs::path output = fs::absolute(argv[3], ignored);
    const fs::path workDir = output.parent_path() / (".rebuild-" + std::to_string(getpid()));
    fs::create_directories(workDir, ignored);
    std::string error;
    bool written = false;
    try {
        Layout::Document document;
        written = Layout::RebuildDocument(argv[2], workDir, document, error) &&
                  Writers().at(argv[1])(document, output, error);
    } catch (const std::exception& exception) { // out of memory, above all
        error = exception.what();
    }
    fs::remove_all(workDir, ignored);
    return written ? 0 : Fail(error);
}
