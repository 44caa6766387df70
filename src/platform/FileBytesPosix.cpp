#include "platform/FileBytes.h"

#include "platform/FileError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orrin::platform {

namespace {

// Closes a descriptor on every path out of the constructor; the mapping outlives it.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

FileBytes::FileBytes(const std::filesystem::path& path)
{
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throw FileError("open", std::strerror(errno));
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        throw FileError("read", std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw FileError("open", "it is not a file");
    m_size = static_cast<std::size_t>(status.st_size);
    if (m_size == 0)
        return;
    void* data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (data == MAP_FAILED)
        throw FileError("map", std::strerror(errno));
    m_data = static_cast<const std::uint8_t*>(data);
}

void FileBytes::release(std::size_t offset, std::size_t length) const
{
    static const auto systemPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (!m_data || offset >= m_size || systemPage == 0)
        return;
    const std::size_t end = std::min(offset + length, m_size) / systemPage * systemPage;
    const std::size_t start = (offset + systemPage - 1) / systemPage * systemPage;
    if (start < end)
        ::madvise(const_cast<std::uint8_t*>(m_data) + start, end - start, MADV_DONTNEED);
}

FileBytes::~FileBytes()
{
    if (m_data)
        ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
}

} // namespace orrin::platform
