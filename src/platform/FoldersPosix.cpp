#include "platform/Folders.h"

#include <cstdlib>
#include <optional>
#include <system_error>

namespace orrin::platform {

namespace {

// An environment variable that holds an absolute path (the XDG rules ignore relative ones).
std::optional<std::filesystem::path> absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    std::filesystem::path path(value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

} // namespace

std::filesystem::path programFile()
{
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : program;
}

std::filesystem::path userStateFolder(const std::filesystem::path& folderName)
{
    if (auto state = absoluteFromEnvironment("XDG_STATE_HOME"))
        return *state / folderName;
    if (auto home = absoluteFromEnvironment("HOME"))
        return *home / ".local" / "state" / folderName;
    return {};
}

} // namespace orrin::platform
