#include "cli/Summary.h"

#include "value/JsonText.h"

#include "value/Conversions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>
#include <vector>

namespace orrin::cli {

using migration::RunReport;

namespace {

// The target tables in the order the run fills them; any other table the report names follows.
std::vector<std::pair<std::string, std::int64_t>> tablesInRunOrder(const RunReport& report)
{
    static const std::array<const char*, 9> order{"Login",   "Times",  "AgMast", "LocMast", "BrnMast",
                                                  "company", "Family", "Client", "Policies"};
    std::vector<std::pair<std::string, std::int64_t>> tables;
    for (const char* name : order) {
        if (const auto found = report.rowsWritten.find(name); found != report.rowsWritten.end()) {
            tables.emplace_back(found->first, found->second);
        }
    }
    for (const auto& [name, rows] : report.rowsWritten) {
        if (std::find(order.begin(), order.end(), name) == order.end()) {
            tables.emplace_back(name, rows);
        }
    }
    return tables;
}

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

std::string padRight(std::string text, std::size_t width)
{
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string padLeft(const std::string& text, std::size_t width)
{
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

} // namespace

int exitCodeFor(const RunReport& report)
{
    if (report.outcome != RunReport::Outcome::Finished) {
        return 1;
    }
    return report.clean() ? 0 : 3;
}

std::string outcomeName(RunReport::Outcome outcome)
{
    switch (outcome) {
    case RunReport::Outcome::Finished:
        return "finished";
    case RunReport::Outcome::Stopped:
        return "stopped";
    case RunReport::Outcome::Abandoned:
        return "abandoned";
    }
    return "abandoned";
}

std::string summaryText(const RunReport& report)
{
    std::ostringstream out;
    out << "Target table    Rows written\n";
    for (const auto& [table, rows] : tablesInRunOrder(report)) {
        out << padRight(table, 14) << padLeft(std::to_string(rows), 14) << '\n';
    }
    out << '\n' << "Step            Source rows read   Failed statements\n";
    for (const auto& step : report.steps) {
        out << padRight(step.name, 14) << padLeft(std::to_string(step.sourceRowsRead), 18)
            << padLeft(std::to_string(step.failedStatements), 20) << '\n';
    }
    out << padRight("(connections)", 14) << padLeft("", 18)
        << padLeft(std::to_string(report.connectionFailures), 20) << '\n';
    out << '\n';
    // On a run that was rolled back the count is what was transferred before the stop; the target
    // keeps none of them, and the line says so.
    out << "Policies transferred:      " << formatNumber(report.policiesTransferred)
        << (report.outcome != RunReport::Outcome::Finished && report.policiesTransferred > 0
                ? ", none kept: the import was rolled back"
                : "")
        << '\n';
    out << "Statements skipped:        " << report.skippedStatements << '\n';
    out << "Error log entries written: " << report.logEntries << " (" << report.logFile.string() << ")\n";
    out << "Outcome:                   " << outcomeName(report.outcome);
    switch (report.outcome) {
    case RunReport::Outcome::Finished:
        out << (report.clean() ? " cleanly" : ", but not cleanly");
        break;
    case RunReport::Outcome::Stopped:
    case RunReport::Outcome::Abandoned:
        if (report.recoveryFailure.empty()) {
            out << ", rolled back: the target is unchanged";
        } else {
            out << ", rolled back, but the target's journal was not replayed: " << report.recoveryFailure;
        }
        break;
    }
    out << '\n';
    if (!report.reason.empty()) {
        out << "Reason:                    " << report.reason << '\n';
    }
    out << "Time taken:                " << secondsText(report.seconds) << " s\n";
    return out.str();
}

std::string summaryJson(const RunReport& report)
{
    std::ostringstream out;
    out << "{\n";
    out << "  \"outcome\": " << jsonString(outcomeName(report.outcome)) << ",\n";
    out << "  \"clean\": " << (report.clean() ? "true" : "false") << ",\n";
    out << "  \"exitCode\": " << exitCodeFor(report) << ",\n";
    out << "  \"reason\": " << jsonString(report.reason) << ",\n";
    out << "  \"rowsWritten\": {";
    bool first = true;
    for (const auto& [table, rows] : tablesInRunOrder(report)) {
        out << (first ? "\n" : ",\n") << "    " << jsonString(table) << ": " << rows;
        first = false;
    }
    out << (first ? "},\n" : "\n  },\n");
    out << "  \"steps\": [";
    first = true;
    for (const auto& step : report.steps) {
        out << (first ? "\n" : ",\n") << "    {\"name\": " << jsonString(step.name)
            << ", \"sourceRowsRead\": " << step.sourceRowsRead
            << ", \"failedStatements\": " << step.failedStatements << "}";
        first = false;
    }
    out << (first ? "],\n" : "\n  ],\n");
    out << "  \"connectionFailures\": " << report.connectionFailures << ",\n";
    out << "  \"skippedStatements\": " << report.skippedStatements << ",\n";
    out << "  \"policiesTransferred\": " << formatNumber(report.policiesTransferred) << ",\n";
    out << "  \"errorLogEntries\": " << report.logEntries << ",\n";
    out << "  \"errorLog\": " << jsonString(report.logFile.string()) << ",\n";
    const double seconds = std::isfinite(report.seconds) ? report.seconds : 0;
    out << "  \"seconds\": " << formatNumber(seconds) << ",\n";
    const double commitSeconds = std::isfinite(report.commitSeconds) ? report.commitSeconds : 0;
    out << "  \"commitSeconds\": " << formatNumber(commitSeconds) << "\n";
    out << "}\n";
    return out.str();
}

} // namespace orrin::cli
