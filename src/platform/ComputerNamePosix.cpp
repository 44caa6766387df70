#include "platform/ComputerName.h"

#include <array>
#include <unistd.h>

namespace orrin::platform {

std::string computerName()
{
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0)
        return "";
    return std::string(name.data());
}

} // namespace orrin::platform
