#include "jet/base/MappedFile.h"

#include "jet/base/JetError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orrin::jet {

namespace {

Error ioError(const std::string& what, const std::filesystem::path& path, int error)
{
    return Error(Failure::Io, "Cannot " + what + " " + path.string() + ": " + std::strerror(error) + ".");
}

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

MappedFile::MappedFile(const std::filesystem::path& path)
{
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throw ioError("open", path, errno);
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        throw ioError("read", path, errno);
    if (!S_ISREG(status.st_mode))
        throw Error(Failure::Io, "Cannot open " + path.string() + ": it is not a file.");
    m_size = static_cast<std::size_t>(status.st_size);
    if (m_size == 0)
        return;
    void* data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, file.fd, 0);
    if (data == MAP_FAILED)
        throw ioError("map", path, errno);
    m_data = static_cast<const std::uint8_t*>(data);
}

void MappedFile::release(std::size_t offset, std::size_t length) const
{
    static const auto systemPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (!m_data || offset >= m_size || systemPage == 0)
        return;
    const std::size_t end = std::min(offset + length, m_size) / systemPage * systemPage;
    const std::size_t start = (offset + systemPage - 1) / systemPage * systemPage;
    if (start < end)
        ::madvise(const_cast<std::uint8_t*>(m_data) + start, end - start, MADV_DONTNEED);
}

MappedFile::~MappedFile()
{
    if (m_data)
        ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
}

} // namespace orrin::jet
