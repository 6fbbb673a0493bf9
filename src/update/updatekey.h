#pragma once

#include <string_view>

// The PEM public key the build was given for installers (DOKORA_UPDATE_KEY); empty when it
// was given none, and then no installer is ever run.
std::string_view BuiltInUpdateKey();
