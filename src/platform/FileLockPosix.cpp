#include "platform/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace orrin::platform {

namespace {

// Locks that belong to the open file, not to the process: closing another descriptor of the same
// file elsewhere in the program (a reader, a check of its first page) leaves them held.
#ifdef F_OFD_SETLK
constexpr int kSetLock = F_OFD_SETLK;
constexpr int kGetLock = F_OFD_GETLK;
#else
constexpr int kSetLock = F_SETLK;
constexpr int kGetLock = F_GETLK;
#endif

struct flock rangeOf(short type, std::uint64_t offset, std::uint64_t length)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(offset);
    range.l_len = static_cast<off_t>(length);
    range.l_pid = 0;
    return range;
}

} // namespace

std::unique_ptr<FileLock> FileLock::tryLock(const std::filesystem::path& path, Kind kind,
                                            std::uint64_t offset, std::uint64_t length)
{
    const bool exclusive = kind == Kind::Exclusive;
    const int fd = ::open(path.c_str(), (exclusive ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "Cannot open " + path.string());
    struct flock range = rangeOf(exclusive ? F_WRLCK : F_RDLCK, offset, length);
    if (::fcntl(fd, kSetLock, &range) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EAGAIN || error == EACCES)
            return nullptr;
        throw std::system_error(error, std::generic_category(), "Cannot lock " + path.string());
    }
    return std::unique_ptr<FileLock>(new FileLock(fd));
}

bool FileLock::isLockedElsewhere(const std::filesystem::path& path, std::uint64_t offset,
                                 std::uint64_t length)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock range = rangeOf(F_WRLCK, offset, length);
    const bool locked = ::fcntl(fd, kGetLock, &range) == 0 && range.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

FileLock::~FileLock()
{
    ::close(static_cast<int>(m_handle));
}

} // namespace orrin::platform
