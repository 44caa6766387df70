#include "platform/FileSnapshot.h"

#include "platform/FileError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orrin::platform {

namespace {

// Closes a descriptor on every path out of the constructor.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Anonymous memory of size bytes, given back when the owner goes unless released.
struct Memory {
    void* data = MAP_FAILED;
    std::size_t size = 0;
    ~Memory()
    {
        if (data != MAP_FAILED)
            ::munmap(data, size);
    }
};

} // namespace

FileSnapshot::FileSnapshot(const std::filesystem::path& path)
{
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throw FileError("open", std::strerror(errno));
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        throw FileError("read", std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw FileError("open", "it is not a file");
    const auto identity = identityOfOpenFile(file.fd);
    if (!identity)
        throw FileError("read", std::strerror(errno));
    m_identity = *identity;
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size == 0)
        return;
    // Anonymous memory rather than a mapping of the file: a file cut short under a mapping ends the
    // program with a bus error at the next touch of a lost page, and a mapping shows changes made to
    // the file after it was opened.
    Memory memory{::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0), size};
    if (memory.data == MAP_FAILED)
        throw FileError("read", std::strerror(errno));
    auto* bytes = static_cast<std::uint8_t*>(memory.data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(file.fd, bytes + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileError("read", std::strerror(errno));
        if (n == 0)
            throw FileError("read", "it was cut short while it was read");
        done += static_cast<std::size_t>(n);
    }
    const auto after = identityOfOpenFile(file.fd);
    if (!after || !(*after == m_identity))
        throw FileError("read", "another program wrote it while it was read");
    m_data = bytes;
    m_size = size;
    memory.data = MAP_FAILED;
}

std::size_t FileSnapshot::systemPageSize()
{
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

void FileSnapshot::discard(std::size_t start, std::size_t length) const
{
    ::madvise(m_data + start, length, MADV_DONTNEED);
}

FileSnapshot::~FileSnapshot()
{
    if (m_data)
        ::munmap(m_data, m_size);
}

} // namespace orrin::platform
