#pragma once

#include "app/convertoptions.h"

#include <memory>
#include <string>

class AccountLibrary;
class TokenSession;
struct ServiceLocations;

// Loads the work directory's account plug-in into `account` for the installation's `appKey`,
// reuses its kept sign-in or signs in with the user name and the password (DOKORA_PASSWORD,
// the password file, or a prompt without echo on a terminal), and exchanges a ticket for the
// service token at `locations`. Null with `error` set on failure.
std::unique_ptr<TokenSession> SignInForConversion(const ConvertOptions& options,
                                                  AccountLibrary& account,
                                                  const ServiceLocations& locations,
                                                  const std::string& appKey, std::string& error);
