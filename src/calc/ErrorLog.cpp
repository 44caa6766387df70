#include "calc/ErrorLog.h"

#include "value/Clock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace orrin::calc {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogFileName = "Error Log.txt";
constexpr const char* kLogFolderName = "orrin-import";
constexpr const char* kLineEnd = "\r\n";

// An environment variable that holds an absolute path (the XDG rules ignore relative ones).
std::optional<fs::path> absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    fs::path path(value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

// Error number in print form: a blank where a minus sign would stand, the digits, a blank.
std::string printForm(std::int32_t number)
{
    return (number < 0 ? "" : " ") + std::to_string(number) + " ";
}

std::string reasonOf(int savedErrno)
{
    return savedErrno != 0 ? std::string(std::strerror(savedErrno)) : std::string("write failed");
}

} // namespace

fs::path ErrorLog::defaultFile()
{
    if (auto state = absoluteFromEnvironment("XDG_STATE_HOME"))
        return *state / kLogFolderName / kLogFileName;
    if (auto home = absoluteFromEnvironment("HOME"))
        return *home / ".local" / "state" / kLogFolderName / kLogFileName;
    std::error_code ec;
    fs::path temporary = fs::temp_directory_path(ec);
    if (ec)
        temporary = "/tmp";
    return temporary / kLogFileName;
}

// One entry is six lines with CR LF ends; the file is opened for the entry and closed after it, so an
// entry is complete on disk before the procedure goes on. The date is read before the time.
void ErrorLog::LogError(const Error& error, const std::string& label)
{
    // The default log is always named kLogFileName: any other name spares working the default out.
    if (m_file.filename() == kLogFileName && m_file == defaultFile() && m_file.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(m_file.parent_path(), ec);
        // A folder that cannot be made shows up as a failure to open the file, just below.
    }

    const std::string date = clock().longDate();
    const std::string time = clock().longTime();
    std::string entry;
    entry += "Date : " + date + kLineEnd;
    entry += "Time : " + time + kLineEnd;
    entry += "Err.Number      : " + printForm(error.number()) + kLineEnd;
    entry += "Err.Source      : " + label + kLineEnd;
    entry += "Err.Description : " + error.description() + kLineEnd;
    entry += kLineEnd;

    auto fail = [&](int savedErrno, const char* why) {
        throw Error(err::FileError, "Cannot write the error log '" + m_file.string() +
                                        "': " + (why != nullptr ? std::string(why) : reasonOf(savedErrno)));
    };

    // O_NONBLOCK: a FIFO with no reader fails here instead of blocking the run; the file type is
    // checked right after, on what was actually opened.
    const int fd = ::open(m_file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0) {
        // ENXIO: a FIFO with no reader (or a device), which O_NONBLOCK turned away.
        const int saved = errno;
        fail(saved, saved == ELOOP   ? "it is a symbolic link"
                    : saved == ENXIO ? "it is not a regular file"
                                     : nullptr);
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        fail(0, "it is not a regular file");
    }
    std::size_t written = 0;
    while (written < entry.size()) {
        const ssize_t n = ::write(fd, entry.data() + written, entry.size() - written);
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
    ++m_entries;
}

} // namespace orrin::calc
