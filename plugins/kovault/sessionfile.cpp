#include "sessionfile.h"

#include "settings/atomicfile.h"
#include "utility/tc_checkpath.h"
#include "utility/utilitycalls.h"

#include <sys/stat.h>

#include <fstream>

namespace {

constexpr const char* kFileName = "Kovault.session";

bool IsSingleLine(const std::string& text)
{
    return !text.empty() && text.find_first_of("\r\n") == std::string::npos;
}

} // namespace

SessionFile::SessionFile()
{
    if (const auto directory = Utility::AppDataPath())
        path = *directory + kFileName;
}

std::optional<KeptSession> SessionFile::Load() const
{
    if (path.empty())
        return std::nullopt;
    std::ifstream in(path);
    KeptSession session;
    if (!std::getline(in, session.grantingTicketUrl) || !std::getline(in, session.userName) ||
        !IsSingleLine(session.grantingTicketUrl) || !IsSingleLine(session.userName))
        return std::nullopt;
    return session;
}

bool SessionFile::Save(const KeptSession& session) const
{
    if (path.empty() || !IsSingleLine(session.grantingTicketUrl) || !IsSingleLine(session.userName))
        return false;
    // A replacement keeps the old file's mode, so a file others could read goes first; a new
    // file is created owner-only.
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        Remove();
    return WriteFileAtomically(path, session.grantingTicketUrl + "\n" + session.userName + "\n");
}

void SessionFile::Remove() const
{
    if (!path.empty())
        TC_CHECKPATH::TC_DeleteFile(path.c_str());
}
