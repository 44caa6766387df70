#include "jet/base/FileReplace.h"

#include "jet/base/JetError.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orrin::jet {

namespace {

constexpr const char* kTemporarySuffix = ".orrin-";

[[noreturn]] void fail(const std::filesystem::path& target, const std::string& what, int error)
{
    throw Error(Failure::Io,
                "Cannot write " + target.string() + ": " + what + ": " + std::strerror(error) + ".");
}

// Closes and removes the temporary file unless it was renamed.
class TemporaryFile final : public FileSink {
  public:
    TemporaryFile(const std::filesystem::path& target) : m_target(target)
    {
        m_path = target.string() + kTemporarySuffix + "XXXXXX";
        m_fd = ::mkstemp(m_path.data());
        if (m_fd < 0)
            fail(m_target, "cannot create a file in its folder", errno);
    }
    ~TemporaryFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_renamed)
            ::unlink(m_path.c_str());
    }

    void write(std::span<const std::uint8_t> bytes) override
    {
        const std::uint8_t* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fail(m_target, "writing the new copy failed", errno);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    // Flushes, takes the mode of the target, asks lastCheck, renames over it and flushes the folder.
    void commit(mode_t mode, const std::function<void()>& lastCheck)
    {
        if (::fchmod(m_fd, mode) != 0)
            fail(m_target, "cannot give the new copy the file's permissions", errno);
        if (::fsync(m_fd) != 0)
            fail(m_target, "flushing the new copy failed", errno);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            fail(m_target, "closing the new copy failed", errno);
        lastCheck();
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            fail(m_target, "cannot put the new copy in its place", errno);
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

  private:
    std::filesystem::path m_target;
    std::string m_path;
    int m_fd = -1;
    bool m_renamed = false;
};

// The file a path leads to, symbolic links followed; the path itself when it is no link (or when
// the link leads nowhere, which the stat below then reports).
std::filesystem::path realFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error))
        return path;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    return error ? path : real;
}

void checkUnchanged(const std::filesystem::path& shown, const std::filesystem::path& real,
                    const std::optional<platform::FileIdentity>& expected)
{
    if (!expected)
        return;
    const auto now = platform::identityOf(real);
    if (!now || !(*now == *expected))
        throw Error(Failure::Changed,
                    shown.string() + " was changed by another program since it was opened.");
}

} // namespace

void replaceFile(const std::filesystem::path& shown, const std::function<void(FileSink&)>& produce,
                 const std::optional<platform::FileIdentity>& expected)
{
    const std::filesystem::path target = realFile(shown);
    checkUnchanged(shown, target, expected);
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0)
        fail(target, "cannot read its permissions", errno);
    if (::access(target.c_str(), W_OK) != 0)
        fail(target, "the file is read-only", errno);
    // A file size limit must show as a failed write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    TemporaryFile temporary(target);
    produce(temporary);
    temporary.commit(info.st_mode & 07777, [&] { checkUnchanged(shown, target, expected); });
}

int removeLeftoverCopies(const std::filesystem::path& shown)
{
    const std::filesystem::path target = realFile(shown);
    const std::string prefix = target.filename().string() + kTemporarySuffix;
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            entry.is_regular_file(error) && std::filesystem::remove(entry.path(), error))
            ++removed;
    }
    return removed;
}

} // namespace orrin::jet
