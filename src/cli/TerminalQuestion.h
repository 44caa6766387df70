#pragma once

#include "cli/Options.h"
#include "migration/RunInterfaces.h"

#include <functional>
#include <istream>
#include <ostream>

namespace orrin::cli {

// The run's error question without a window. Every question and its answer is written to the
// error stream: the description, an empty line, "Do you want to continue ?", then the answer.
// Continue answers Yes each time, Stop answers No, Ask reads a line from the input (y or yes, in
// any letter case, is Yes; anything else, and the end of the input, is No).
class TerminalQuestion : public migration::ErrorQuestion {
  public:
    TerminalQuestion(OnError mode, std::istream& in, std::ostream& err);

    bool askContinue(const std::string& description) override;

    // Called before a question is written, so that a progress line can end first.
    void setBeforeAsking(std::function<void()> hook) { m_beforeAsking = std::move(hook); }

    // Shows control characters of the description escaped (for a terminal).
    void setEscapeControls(bool escape) { m_escape = escape; }

    int questionsAsked() const { return m_asked; }

  private:
    bool readAnswer();

    OnError m_mode;
    std::istream& m_in;
    std::ostream& m_err;
    std::function<void()> m_beforeAsking;
    int m_asked = 0;
    bool m_escape = false;
};

} // namespace orrin::cli
