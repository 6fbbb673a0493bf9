#pragma once

#include "base/taskbasethread.h"
#include "http/downloadbase.h"

#include <string>

class AccountDatabase;
class AccountLibrary;

// Runs once per sign-in: downloads the user's head icon into the application-data directory
// (telling the main window when it arrived) and records the user in the local account
// database. Owned by the main window; a start while it runs is ignored.
class CLoginThread : public CTaskBaseThread, public CDownloadBase
{
public:
    static constexpr const char* kHeadIconFile = "HeadIcon";

    // `iconDir` ends with '/'; empty when the application-data directory is unknown.
    CLoginThread(AccountLibrary& account, AccountDatabase& database, std::string iconDir);

protected:
    int Run() override;

private:
    AccountLibrary& account;
    AccountDatabase& database;
    const std::string iconDir;
};
