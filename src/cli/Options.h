#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orrin::cli {

enum class OnError { Ask, Continue, Stop };

// What the command line asks for. The two database options hold what a user would type into the
// window's path boxes.
struct Options {
    bool help = false;
    bool version = false;
    std::string orrinDb;
    std::string agentDb;
    std::optional<std::filesystem::path> bonusDb;
    std::optional<std::filesystem::path> errorLog;
    std::optional<OnError> onError; // unset: ask on a terminal, else stop
    std::optional<std::filesystem::path> summaryJson;
    bool quiet = false;
};

// Thrown for a command line that cannot be run; the message says what is wrong.
struct UsageError {
    std::string message;
};

// Reads the arguments after the program name. Options take their value as the next argument or
// after "=" (--orrin-db=PATH). Unknown options, missing values, an option given twice, a bad
// --on-error answer and missing database options are UsageErrors (not with --help).
Options parseOptions(const std::vector<std::string>& arguments);

std::string usageText();

// The folder the run opens a database in, from the text of a database option: an existing folder
// is taken whole, anything else is a file path whose folder is used (a bare file name lies in the
// current folder). The result ends in a separator.
std::string databaseFolder(const std::string& path);

} // namespace orrin::cli
