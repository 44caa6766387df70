#include "cli/TerminalQuestion.h"

#include "cli/OutputFiles.h"
#include "jet/base/Text.h"

#include <algorithm>
#include <string>

namespace orrin::cli {

TerminalQuestion::TerminalQuestion(OnError mode, std::istream& in, std::ostream& err)
    : m_mode(mode), m_in(in), m_err(err)
{
}

bool TerminalQuestion::askContinue(const std::string& description)
{
    ++m_asked;
    if (m_beforeAsking) {
        m_beforeAsking();
    }
    m_err << (m_escape ? escapeControls(description) : description) << "\n\nDo you want to continue ?";
    bool yes = false;
    switch (m_mode) {
    case OnError::Continue:
        yes = true;
        m_err << "\n";
        break;
    case OnError::Stop:
        yes = false;
        m_err << "\n";
        break;
    case OnError::Ask:
        m_err << " [y/N] " << std::flush;
        yes = readAnswer();
        break;
    }
    m_err << (yes ? "Yes" : "No") << "\n" << std::flush;
    return yes;
}

bool TerminalQuestion::readAnswer()
{
    std::string line;
    if (!std::getline(m_in, line)) {
        m_err << "\n";
        return false;
    }
    const auto first = line.find_first_not_of(" \t\r");
    const auto last = line.find_last_not_of(" \t\r");
    const std::string answer =
        jet::asciiLower(first == std::string::npos ? std::string() : line.substr(first, last - first + 1));
    return answer == "y" || answer == "yes";
}

} // namespace orrin::cli
