#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace orrin::platform {

namespace {

FileIdentity fromStatus(const struct stat& status)
{
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(status.st_dev);
    identity.inode = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedNanos =
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return identity;
}

} // namespace

std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return fromStatus(status);
}

std::optional<FileIdentity> identityOfOpenFile(std::intptr_t handle)
{
    struct stat status {};
    if (::fstat(static_cast<int>(handle), &status) != 0)
        return std::nullopt;
    return fromStatus(status);
}

} // namespace orrin::platform
