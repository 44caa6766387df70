#include "calc/ErrorLog.h"

#include "value/Clock.h"

#include "platform/FileError.h"
#include "platform/Folders.h"
#include "platform/LogFile.h"

#include <system_error>

namespace orrin::calc {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogFileName = "Error Log.txt";
constexpr const char* kLogFolderName = "orrin-import";
constexpr const char* kLineEnd = "\r\n";

// Error number in print form: a blank where a minus sign would stand, the digits, a blank.
std::string printForm(std::int32_t number)
{
    return (number < 0 ? "" : " ") + std::to_string(number) + " ";
}

} // namespace

fs::path ErrorLog::defaultFile()
{
    const fs::path folder = platform::userStateFolder(kLogFolderName);
    if (!folder.empty())
        return folder / kLogFileName;
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

    try {
        platform::appendToLogFile(m_file, entry);
    } catch (const platform::FileError& failure) {
        throw Error(err::FileError,
                    "Cannot write the error log '" + m_file.string() + "': " + failure.reason());
    }
    ++m_entries;
}

} // namespace orrin::calc
