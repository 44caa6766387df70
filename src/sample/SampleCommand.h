#pragma once

#include "sample/SampleWriter.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orrin::sample {

// Bad usage of orrin-import-sample: the message says what is wrong.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct SampleCommandLine {
    std::optional<std::filesystem::path> out;     // folder for zrv.accdb and LIC.mdb
    std::optional<std::filesystem::path> bonusDb; // the bonus database file
    SampleOptions options;
    bool force = false;
    bool help = false;
};

std::string sampleUsage();

// Reads the arguments after the program name: --out DIR, --policies N, --seed S, --dirty RATE,
// --bonus-db FILE, --format access|sqlcipher (default access), --force, --help (each value also as
// --name=value). Throws UsageError for an unknown flag, a missing or malformed value, or nothing to write
// (neither --out nor --bonus-db).
SampleCommandLine parseSampleCommandLine(std::span<const std::string_view> arguments);

// The program: parses, writes, reports on out and err. 0 when everything was written, 1 when a file
// exists (without --force) or writing failed, 2 for bad usage.
int runSampleCommand(std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err);

} // namespace orrin::sample
