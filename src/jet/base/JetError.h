#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orrin::jet {

// What went wrong with an Access file. The message is whole and names the file (and the page, for
// damage), so a front end can show it as it stands.
enum class Failure {
    NotADatabase,  // the first page is not that of an Access file we know
    WrongPassword, // "the password of FILE is not right"
    Damaged,       // an offset, a length or a page chain that does not hold; names the page
    Unsupported,   // a valid file using something this library does not read or write
    Io,            // the operating system refused a read or a write
    NotFound,      // a table or column asked for by name does not exist
    Changed,       // another program changed or replaced the file since it was opened
};

class Error : public std::runtime_error {
  public:
    Error(Failure failure, const std::string& message) : std::runtime_error(message), m_failure(failure) {}
    Failure failure() const { return m_failure; }

  private:
    Failure m_failure;
};

// "FILE is damaged: page N ... (what)"; the standard wording for every damage report.
inline Error damaged(const std::string& file, std::uint32_t page, const std::string& what)
{
    return Error(Failure::Damaged, file + " is damaged: page " + std::to_string(page) + ": " + what + ".");
}

} // namespace orrin::jet
