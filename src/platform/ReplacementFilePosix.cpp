#include "platform/ReplacementFile.h"

#include "platform/FileError.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orrin::platform {

namespace {

[[noreturn]] void fail(const std::string& what, int error)
{
    throw FileError(what, std::strerror(error));
}

} // namespace

unsigned replaceableMode(const std::filesystem::path& target)
{
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0)
        fail("cannot read its permissions", errno);
    if (::access(target.c_str(), W_OK) != 0)
        fail("the file is read-only", errno);
    return info.st_mode & 07777;
}

ReplacementFile::ReplacementFile(std::filesystem::path target, const std::string& temporaryStem)
    : m_target(std::move(target))
{
    // A file size limit must show as a failed write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string pattern = temporaryStem + "XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        fail("cannot create a file in its folder", errno);
    m_handle = fd;
    m_path = pattern;
}

ReplacementFile::~ReplacementFile()
{
    if (m_handle >= 0)
        ::close(static_cast<int>(m_handle));
    if (!m_renamed)
        ::unlink(m_path.c_str());
}

void ReplacementFile::write(std::span<const std::uint8_t> bytes)
{
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(static_cast<int>(m_handle), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("writing the new copy failed", errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void ReplacementFile::commit(unsigned mode, const std::function<void()>& lastCheck)
{
    const int fd = static_cast<int>(m_handle);
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        fail("cannot give the new copy the file's permissions", errno);
    if (::fsync(fd) != 0)
        fail("flushing the new copy failed", errno);
    m_handle = -1;
    if (::close(fd) != 0)
        fail("closing the new copy failed", errno);
    if (lastCheck)
        lastCheck();
    if (::rename(m_path.c_str(), m_target.c_str()) != 0)
        fail("cannot put the new copy in its place", errno);
    m_renamed = true;
    std::filesystem::path folder = m_target.parent_path();
    if (folder.empty())
        folder = ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        // The rename is done; a folder that cannot be flushed (some file systems) is not an error.
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace orrin::platform
