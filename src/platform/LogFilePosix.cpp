#include "platform/LogFile.h"

#include "platform/FileError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orrin::platform {

namespace {

[[noreturn]] void fail(int savedErrno, const char* why)
{
    throw FileError("", why != nullptr    ? std::string(why)
                        : savedErrno != 0 ? std::string(std::strerror(savedErrno))
                                          : std::string("write failed"));
}

} // namespace

void appendToLogFile(const std::filesystem::path& path, std::string_view text)
{
    // O_NONBLOCK: a FIFO with no reader fails here instead of blocking the run; the file type is
    // checked right after, on what was actually opened.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0) {
        // ENXIO: a FIFO with no reader (or a device), which O_NONBLOCK turned away; EISDIR: a folder.
        const int saved = errno;
        fail(saved, saved == ELOOP                      ? "it is a symbolic link"
                    : saved == ENXIO || saved == EISDIR ? "it is not a regular file"
                                                        : nullptr);
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        fail(0, "it is not a regular file");
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            fail(saved, nullptr);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        fail(errno, nullptr);
}

} // namespace orrin::platform
