#include "cli/ProgressPrinter.h"

#include "cli/OutputFiles.h"

#include "migration/ProgressCaption.h"

namespace orrin::cli {

ProgressPrinter::ProgressPrinter(std::ostream& err, bool terminal, bool quiet, Clock& clock, double StartTime)
    : m_err(err), m_terminal(terminal), m_quiet(quiet), m_clock(clock), m_startTime(StartTime),
      m_ticker([] { return std::chrono::steady_clock::now(); })
{
}

void ProgressPrinter::stepStarted(std::string_view step)
{
    m_step = std::string(step);
    m_waitingFor.clear();
    refresh();
}

void ProgressPrinter::pumpEvents()
{
    m_waitingFor.clear();
    refresh();
}

void ProgressPrinter::lockWait(const std::string& file)
{
    const bool news = file != m_waitingFor;
    m_waitingFor = file;
    refresh(news);
}

void ProgressPrinter::warning(const std::string& text)
{
    endLine();
    m_err << "orrin-import: warning: " << (m_terminal ? escapeControls(text) : text) << '\n';
}

void ProgressPrinter::refresh(bool now)
{
    if (m_quiet) {
        return;
    }
    const auto tick = m_ticker();
    if (!now && m_written && tick - m_lastWrite < std::chrono::seconds(1)) {
        return;
    }
    const double policies = m_run != nullptr ? m_run->PoliciesTransferred() : 0;
    std::string line = migration::progressCaption(m_startTime, m_clock, policies).value_or(std::string());
    if (!m_step.empty()) {
        line += (line.empty() ? "" : "  ") + std::string("[") + m_step + "]";
    }
    if (!m_waitingFor.empty()) {
        line += (line.empty() ? "" : "  ") + std::string("waiting for ") + m_waitingFor +
                ", in use by another program";
    }
    if (m_terminal) {
        // Blanks wipe what is left of a longer earlier line.
        const std::size_t length = line.size();
        if (length < m_lastLength) {
            line.append(m_lastLength - length, ' ');
        }
        m_lastLength = length;
        m_err << '\r' << line << std::flush;
        m_lineOpen = true;
    } else {
        m_err << line << '\n' << std::flush;
    }
    m_written = true;
    m_lastWrite = tick;
    ++m_updates;
}

void ProgressPrinter::endLine()
{
    if (m_lineOpen) {
        m_err << '\n' << std::flush;
        m_lineOpen = false;
        m_lastLength = 0;
    }
}

} // namespace orrin::cli
