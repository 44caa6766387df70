#include "jet/base/FileSnapshot.h"

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

// Closes a descriptor on every path out of the constructor.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

FileSnapshot::FileSnapshot(const std::filesystem::path& path)
{
    Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throw ioError("open", path, errno);
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        throw ioError("read", path, errno);
    if (!S_ISREG(status.st_mode))
        throw Error(Failure::Io, "Cannot open " + path.string() + ": it is not a file.");
    const auto identity = platform::identityOfOpenFile(file.fd);
    if (!identity)
        throw ioError("read", path, errno);
    m_identity = *identity;
    m_size = static_cast<std::size_t>(status.st_size);
    if (m_size == 0)
        return;
    // Anonymous memory rather than a mapping of the file: a file cut short under a mapping ends the
    // program with a bus error at the next touch of a lost page, and a mapping shows changes made to
    // the file after it was opened.
    void* data = ::mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        throw ioError("read", path, errno);
    m_data = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < m_size) {
        const ssize_t n = ::pread(file.fd, m_data + done, m_size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : 0;
            ::munmap(m_data, m_size);
            m_data = nullptr;
            if (error != 0)
                throw ioError("read", path, error);
            throw Error(Failure::Io,
                        "Cannot read " + path.string() + ": it was cut short while it was read.");
        }
        done += static_cast<std::size_t>(n);
    }
    const auto after = platform::identityOfOpenFile(file.fd);
    if (!after || !(*after == m_identity)) {
        ::munmap(m_data, m_size);
        m_data = nullptr;
        throw Error(Failure::Io,
                    "Cannot read " + path.string() + ": another program wrote it while it was read.");
    }
}

void FileSnapshot::release(std::size_t offset, std::size_t length) const
{
    static const auto systemPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (!m_data || offset >= m_size || systemPage == 0)
        return;
    const std::size_t end = std::min(offset + length, m_size) / systemPage * systemPage;
    const std::size_t start = (offset + systemPage - 1) / systemPage * systemPage;
    if (start < end)
        ::madvise(m_data + start, end - start, MADV_DONTNEED);
}

FileSnapshot::~FileSnapshot()
{
    if (m_data)
        ::munmap(m_data, m_size);
}

} // namespace orrin::jet
