#pragma once

#include "settings/clientinfo.h"

#include <string>
#include <string_view>

// The companion program the client starts after the account component: "TevraDriveDS" in
// the work directory, when it is there. The client relies on nothing it does.
inline constexpr const char* kCompanionProgram = "TevraDriveDS";

// Its single argument: "101|100001|<ag>|uuid|<version>|<wua>|<userID>"; the user id is empty
// when nobody is signed in or it is not valid UTF-8.
std::string CompanionArguments(const ClientInfo& info, std::string_view userId);

// Starts `workDir` (ending with '/') + kCompanionProgram when it is an executable file. True
// when it was started.
bool LaunchCompanion(const std::string& workDir, const ClientInfo& info, std::string_view userId);
