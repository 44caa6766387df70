#pragma once

#include <stdexcept>
#include <string>

namespace orrin::platform {

// A file operation the operating system refused: what was being done ("open", "map", "cannot
// create a file in its folder", ...) and the system's own words for why, without a final full stop.
// Callers put the two into their own sentences.
class FileError : public std::runtime_error {
  public:
    FileError(std::string action, std::string reason)
        : std::runtime_error(action + ": " + reason), m_action(std::move(action)), m_reason(std::move(reason))
    {
    }
    const std::string& action() const { return m_action; }
    const std::string& reason() const { return m_reason; }

  private:
    std::string m_action;
    std::string m_reason;
};

} // namespace orrin::platform
