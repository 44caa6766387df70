#pragma once

#include <string>

namespace orrin::platform {

// The name the operating system gives this computer (the host name); "" when it cannot say.
std::string computerName();

} // namespace orrin::platform
