#pragma once

#include "migration/MigrationRun.h"
#include "migration/RunInterfaces.h"
#include "value/Clock.h"

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

namespace orrin::cli {

// The window's progress caption, on a stream: the caption text and the running step, written at
// most once a second. On a terminal the line is rewritten in place; otherwise each update is a line
// of its own. Quiet writes nothing.
class ProgressPrinter : public migration::RunObserver {
  public:
    using Ticker = std::function<std::chrono::steady_clock::time_point()>;

    ProgressPrinter(std::ostream& err, bool terminal, bool quiet, Clock& clock, double StartTime);

    // Where the policies counted so far are read from.
    void watch(const migration::MigrationRun& run) { m_run = &run; }
    // Tests drive the once-a-second limit with their own ticker.
    void setTicker(Ticker ticker) { m_ticker = std::move(ticker); }

    void stepStarted(std::string_view step) override;
    void pumpEvents() override;
    // "waiting for FILE, in use by another program", at once (not held back by the once-a-second
    // limit) the first time for each file in a row.
    void lockWait(const std::string& file) override;
    // "orrin-import: warning: TEXT" on a line of its own, quiet or not.
    void warning(const std::string& text) override;

    // Ends a line rewritten in place, so that what follows starts on a line of its own.
    void endLine();

    int updatesWritten() const { return m_updates; }

  private:
    void refresh(bool now = false);

    std::ostream& m_err;
    bool m_terminal;
    bool m_quiet;
    Clock& m_clock;
    double m_startTime;
    const migration::MigrationRun* m_run = nullptr;
    Ticker m_ticker;
    std::string m_step;
    std::string m_waitingFor;
    bool m_written = false;
    std::chrono::steady_clock::time_point m_lastWrite;
    std::size_t m_lastLength = 0;
    bool m_lineOpen = false;
    int m_updates = 0;
};

} // namespace orrin::cli
