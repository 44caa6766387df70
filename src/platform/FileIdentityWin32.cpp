#include "platform/FileIdentity.h"

#include <windows.h>

namespace orrin::platform {

namespace {

// Windows counts file times in 100-nanosecond steps since 1601; this many of them lie before 1970.
constexpr std::int64_t kTicksBefore1970 = 116444736000000000;

std::optional<FileIdentity> identityOfHandle(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return std::nullopt;
    FileIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                  info.ftLastWriteTime.dwLowDateTime);
    identity.modifiedNanos = (ticks - kTicksBefore1970) * 100;
    return identity;
}

} // namespace

std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    if (path.empty())
        return std::nullopt;
    // No access rights asked: only the file's information is read, and no other opener (nor a
    // replace of the file) is refused meanwhile. Backup semantics let a folder be looked at too.
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const auto identity = identityOfHandle(file);
    CloseHandle(file);
    return identity;
}

std::optional<FileIdentity> identityOfOpenFile(std::intptr_t handle)
{
    return identityOfHandle(reinterpret_cast<HANDLE>(handle));
}

} // namespace orrin::platform
