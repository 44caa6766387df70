#include "platform/FileLock.h"

#include <system_error>
#include <windows.h>

namespace orrin::platform {

namespace {

HANDLE handleOf(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

// Opens path without keeping anyone else from reading, writing, removing or replacing it: the lock
// is on a range of bytes, not on the file.
HANDLE openShared(const std::filesystem::path& path, bool forWriting)
{
    return CreateFileW(path.c_str(), GENERIC_READ | (forWriting ? GENERIC_WRITE : 0),
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

bool lockRange(HANDLE file, bool exclusive, std::uint64_t offset, std::uint64_t length)
{
    OVERLAPPED where = at(offset);
    return LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0), 0,
                      static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &where) != 0;
}

std::system_error systemError(DWORD error, const std::string& what)
{
    return std::system_error(static_cast<int>(error), std::system_category(), what);
}

} // namespace

std::unique_ptr<FileLock> FileLock::tryLock(const std::filesystem::path& path, Kind kind,
                                            std::uint64_t offset, std::uint64_t length)
{
    const bool exclusive = kind == Kind::Exclusive;
    HANDLE file = openShared(path, exclusive);
    if (file == INVALID_HANDLE_VALUE)
        throw systemError(GetLastError(), "Cannot open " + path.string());
    if (!lockRange(file, exclusive, offset, length)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION || error == ERROR_IO_PENDING)
            return nullptr;
        throw systemError(error, "Cannot lock " + path.string());
    }
    return std::unique_ptr<FileLock>(new FileLock(reinterpret_cast<std::intptr_t>(file)));
}

bool FileLock::isLockedElsewhere(const std::filesystem::path& path, std::uint64_t offset,
                                 std::uint64_t length)
{
    // Windows cannot ask who holds a range: taking it, and giving it back at once, tells.
    HANDLE file = openShared(path, false);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool locked = false;
    if (lockRange(file, true, offset, length)) {
        OVERLAPPED where = at(offset);
        UnlockFileEx(file, 0, static_cast<DWORD>(length), static_cast<DWORD>(length >> 32), &where);
    } else {
        locked = GetLastError() == ERROR_LOCK_VIOLATION;
    }
    CloseHandle(file);
    return locked;
}

FileLock::~FileLock()
{
    // Closing the handle gives back its locks; they go with the process too, however it ends.
    CloseHandle(handleOf(m_handle));
}

} // namespace orrin::platform
