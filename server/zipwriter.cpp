#include "zipwriter.h"

#include <zip.h>

bool WriteZip(const std::filesystem::path& target,
              const std::vector<std::pair<std::string, std::filesystem::path>>& members,
              std::string& error)
{
    const std::filesystem::path temporary = target.string() + ".part";
    int code = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        error = "the archive cannot be created";
        return false;
    }
    for (const auto& [name, file] : members) {
        zip_source_t* source = zip_source_file(archive, file.c_str(), 0, -1);
        if (source == nullptr ||
            zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            if (source != nullptr) {
                zip_source_free(source);
            }
            error = "the archive cannot be written: " + std::string(zip_strerror(archive));
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        error = "the archive cannot be written: " + std::string(zip_strerror(archive));
        zip_discard(archive);
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        error = "the archive cannot be stored";
        return false;
    }
    return true;
}
