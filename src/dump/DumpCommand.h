#pragma once

// orrin-import-dump: prints the tables of a database the program opens (an Access file or a
// SQLCipher file) as JSON lines or, for one table, as CSV.

#include <iosfwd>
#include <string>
#include <vector>

namespace orrin::dump {

enum class Format { Jsonl, Csv };

struct DumpOptions {
    bool help = false;
    std::string file;
    std::string password;
    bool passwordGiven = false;      // false: try none, then the two applications' own passwords
    std::vector<std::string> tables; // none: every table
    Format format = Format::Jsonl;
};

// Thrown for a command line that cannot be run; the message says what is wrong.
struct DumpUsageError {
    std::string message;
};

// Reads the arguments after the program name. Options take their value as the next argument or
// after "=". An unknown option, a missing value, a second file or a format other than jsonl and
// csv is a DumpUsageError (not with --help).
DumpOptions parseDumpOptions(const std::vector<std::string>& arguments);

std::string dumpUsageText();

// Writes the tables options name (all of them when none) to out. jsonl: a format line, then for
// each table a line with its columns and row count followed by a line per row, in stored order;
// csv: one table, a header line and a line per row (RFC 4180). Dates print as
// "YYYY-MM-DD HH:MM:SS", currency with four decimals, binary values as "<N bytes>". Throws
// orrin::Error (the file's failures, an unknown table) or DumpUsageError (csv of several tables).
void dump(const DumpOptions& options, std::ostream& out);

// The whole program: 0 after printing, 1 with a one-line error on err for a database or table
// that cannot be read (missing file, not a database, wrong password, unknown table), 2 for bad
// usage.
int runDump(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace orrin::dump
