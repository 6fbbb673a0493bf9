#include "testdocuments.h"

#include "childprocess.h"

#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace TestDocuments {
namespace {

std::string XmlEscape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool AddMember(zip_t* archive, const std::string& name, const std::string& content)
{
    // libzip keeps the buffer until the archive is closed, so it gets its own copy.
    void* copy = std::malloc(content.size());
    std::memcpy(copy, content.data(), content.size());
    zip_source_t* source = zip_source_buffer(archive, copy, content.size(), 1);
    if (source == nullptr) {
        std::free(copy);
        return false;
    }
    if (zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(source);
        return false;
    }
    return true;
}

} // namespace

bool WriteDocx(const std::filesystem::path& path, const std::vector<std::string>& paragraphs)
{
    std::string body;
    for (const std::string& paragraph : paragraphs) {
        body +=
            "<w:p><w:r><w:t xml:space=\"preserve\">" + XmlEscape(paragraph) + "</w:t></w:r></w:p>";
    }
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
    const std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:body>" +
        body + "</w:body></w:document>";

    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return false;
    }
    const bool added = AddMember(archive, "[Content_Types].xml", types) &&
                       AddMember(archive, "_rels/.rels", rels) &&
                       AddMember(archive, "word/document.xml", document);
    if (!added) {
        zip_discard(archive);
        return false;
    }
    return zip_close(archive) == 0;
}

bool WritePdf(const std::filesystem::path& path, const std::vector<std::string>& pages)
{
    std::vector<std::string> objects;
    std::string kids;
    const std::size_t firstPage = 4;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        kids += std::to_string(firstPage + 2 * i) + " 0 R ";
    }
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " +
                      std::to_string(pages.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string stream = "BT /F1 24 Tf 72 700 Td (" + pages[i] + ") Tj ET";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources "
                          "<< /Font << /F1 3 0 R >> >> /Contents " +
                          std::to_string(firstPage + 2 * i + 1) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream +
                          "\nendstream");
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return WriteText(path, pdf);
}

bool WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out.flush());
}

namespace {

void PutBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

std::string PngChunk(const std::string& kind, const std::string& data)
{
    std::string chunk;
    PutBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    const std::string body = kind + data;
    chunk += body;
    PutBigEndian(chunk,
                 static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
    return chunk;
}

} // namespace

bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height)
{
    std::string header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header += std::string("\x01\x00\x00\x00\x00", 5); // 1 bit grey, no interlace
    // Each row: filter byte 0, then white pixels; deflated row by row.
    const std::string row = '\0' + std::string((width + 7) / 8, '\xFF');
    z_stream stream{};
    deflateInit(&stream, 9);
    std::string compressed;
    char out[64 * 1024];
    for (std::uint32_t y = 0; y <= height; ++y) {
        const bool last = y == height;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        stream.avail_in = last ? 0 : static_cast<uInt>(row.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(out, sizeof out - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return WriteText(path, "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) +
                               PngChunk("IDAT", compressed) + PngChunk("IEND", ""));
}

namespace {

std::string Deflate(const std::string& data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string compressed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
              reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), 9);
    compressed.resize(size);
    return compressed;
}

} // namespace

std::string BarChartPng(std::uint32_t width, std::uint32_t height)
{
    struct Colour
    {
        unsigned char red, green, blue;
    };
    const Colour background{248, 248, 244}, axis{60, 60, 60}, before{150, 150, 150},
        after{40, 100, 190};
    const std::uint32_t baseline = height - height / 10;
    const std::uint32_t slot = width / 13;
    auto colourAt = [&](std::uint32_t x, std::uint32_t y) {
        if (y == baseline || x == slot / 2) {
            return axis;
        }
        const std::uint32_t month = x / slot;
        const std::uint32_t within = x % slot;
        if (y > baseline || month < 1 || month > 12 || within < slot / 5 ||
            within >= slot * 4 / 5) {
            return background;
        }
        // Higher in winter than in summer; the second bar of each pair a little lower.
        const std::uint32_t season = month <= 6 ? 7 - month : month - 6;
        const bool second = within >= slot / 2;
        const std::uint32_t top =
            baseline - (baseline / 3 + season * baseline / 10) * (second ? 8 : 10) / 10;
        if (y < top) {
            return background;
        }
        return second ? after : before;
    };
    std::string pixels;
    for (std::uint32_t y = 0; y < height; ++y) {
        pixels += '\0';
        for (std::uint32_t x = 0; x < width; ++x) {
            const Colour colour = colourAt(x, y);
            pixels += static_cast<char>(colour.red);
            pixels += static_cast<char>(colour.green);
            pixels += static_cast<char>(colour.blue);
        }
    }
    std::string header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bit RGB, no interlace
    return "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) + PngChunk("IDAT", Deflate(pixels)) +
           PngChunk("IEND", "");
}

std::string Read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ZipMembers(const std::filesystem::path& path)
{
    std::vector<std::string> names;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return names;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        names.emplace_back(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
    }
    zip_discard(archive);
    return names;
}

std::string ZipMember(const std::filesystem::path& path, const std::string& name)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return "";
    }
    std::string content;
    if (zip_file_t* file = zip_fopen(archive, name.c_str(), 0)) {
        char chunk[8192];
        zip_int64_t got = 0;
        while ((got = zip_fread(file, chunk, sizeof chunk)) > 0) {
            content.append(chunk, static_cast<std::size_t>(got));
        }
        zip_fclose(file);
    }
    zip_discard(archive);
    return content;
}

std::string Capture(const std::vector<std::string>& argv)
{
    const ChildProcess::CancelFlag never{false};
    const auto run =
        ChildProcess::Run(argv, ChildProcess::Clock::now() + std::chrono::seconds(60), never);
    return run.exitCode == 0 ? run.output : "";
}

} // namespace TestDocuments
