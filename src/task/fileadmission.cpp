#include "task/fileadmission.h"

#include "task/conversionstore.h"
#include "utility/tc_checkpath.h"

const char* AdmissionNotice::TextKey() const
{
    switch (reason) {
    case Reason::TooManyFiles:
        return "@string/str_msgbox_file_count";
    case Reason::TooLarge:
        return "@string/str_msgbox_file_size";
    case Reason::AlreadyListed:
        return "@string/str_msgbox_file_exist";
    }
    return "";
}

std::vector<AdmissionNotice> AdmitFiles(ConversionStore& store, const std::string& functionName,
                                        const std::vector<std::string>& paths, bool fromPlugin)
{
    using Reason = AdmissionNotice::Reason;
    std::vector<AdmissionNotice> notices;
    for (const std::string& path : paths) {
        if (store.GetCount(functionName) >= kMaxListFiles) {
            notices.push_back({Reason::TooManyFiles, path});
            break;
        }
        std::uint64_t size = 0;
        if (TC_CHECKPATH::TC_GetFileSize(path.c_str(), &size) == 0 && size >= kMaxFileSize) {
            notices.push_back({Reason::TooLarge, path});
            continue;
        }
        if (store.ContainsFile(functionName, path)) {
            if (!fromPlugin)
                notices.push_back({Reason::AlreadyListed, path});
            continue;
        }
        store.AddFile(functionName, path);
    }
    return notices;
}
