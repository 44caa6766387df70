#pragma once

#include "value/JsonText.h"

#include "migration/MigrationRun.h"

#include <string>
#include <string_view>

namespace orrin::cli {

// 0 finished cleanly; 3 finished, but statements were skipped or error log entries written;
// 1 stopped or abandoned (rolled back).
int exitCodeFor(const migration::RunReport& report);

// "finished", "stopped" or "abandoned".
std::string outcomeName(migration::RunReport::Outcome outcome);

// The table printed at the end of a run: rows written per target table, per step the source rows
// read and the statements that failed, the policies transferred, the error log entries and the log
// file, the outcome and the time taken.
std::string summaryText(const migration::RunReport& report);

// The same as a JSON object.
std::string summaryJson(const migration::RunReport& report);

} // namespace orrin::cli
