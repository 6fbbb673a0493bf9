#pragma once

#include "app/convertoptions.h"

#include <memory>
#include <string>

class TokenSession;

// Loads the account plug-in, reuses its kept sign-in or signs in with the user name and the
// password (DOKORA_PASSWORD, the password file, or a prompt without echo on a terminal), and
// exchanges a ticket for the service token. Null with `error` set on failure.
std::unique_ptr<TokenSession> SignInForConversion(const ConvertOptions& options,
                                                  std::string& error);
