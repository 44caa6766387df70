#pragma once

#include "value/Error.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace orrin::calc {

// The calculations' error log: a plain-text file that every failing statement of a lookup or a
// calculation adds one six-line entry to, under the failing procedure's label.
class ErrorLog {
  public:
    // The log file by default: $XDG_STATE_HOME/orrin-import/Error Log.txt, else
    // ~/.local/state/orrin-import/Error Log.txt, else the temporary folder; its folder is made on the
    // first entry when missing.
    static std::filesystem::path defaultFile();

    ErrorLog() : m_file(defaultFile()) {}

    void setFile(std::filesystem::path file) { m_file = std::move(file); }
    const std::filesystem::path& file() const { return m_file; }
    // Entries written since this object was made.
    std::int64_t entriesWritten() const { return m_entries; }

    // Appends the six-line entry (Date, Time, Err.Number, Err.Source = label, Err.Description, empty
    // line; CR LF line ends), opening and closing the file for the entry. A new log is made readable
    // by its owner only; a symbolic link in the log's place, or anything but a regular file (a FIFO
    // would block the run), is refused. When the file cannot be opened or written it throws Error
    // (err::FileError) naming the file, which leaves the procedure that tried to log.
    void LogError(const Error& error, const std::string& label);

  private:
    std::filesystem::path m_file;
    std::int64_t m_entries = 0;
};

} // namespace orrin::calc
