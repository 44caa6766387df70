#include "cli/Options.h"

#include "migration/FolderPaths.h"
#include "platform/Utf8Path.h"

#include <system_error>

namespace orrin::cli {

namespace {

bool isBlank(const std::string& text)
{
    return text.find_first_not_of(" \t") == std::string::npos;
}

OnError parseOnError(const std::string& value)
{
    if (value == "ask") {
        return OnError::Ask;
    }
    if (value == "continue") {
        return OnError::Continue;
    }
    if (value == "stop") {
        return OnError::Stop;
    }
    throw UsageError{"--on-error takes ask, continue or stop, not '" + value + "'"};
}

} // namespace

std::string usageText()
{
    return "Usage: orrin-import --orrin-db PATH --agent-db PATH [--bonus-db FILE] [--error-log FILE]\n"
           "                    [--on-error ask|continue|stop] [--summary-json FILE] [--quiet]\n"
           "\n"
           "Empties the agent's tables of the Calvane database (LIC.mdb) and refills them from the\n"
           "Orrin database (zrv.accdb), all in one transaction.\n"
           "\n"
           "  --orrin-db PATH      the Orrin database or its folder; zrv.accdb is opened there\n"
           "  --agent-db PATH      the Calvane database or its folder; LIC.mdb is opened there\n"
           "  --bonus-db FILE      the bonus database the maturity amounts read\n"
           "                       (default: lic.mdb beside the program)\n"
           "  --error-log FILE     the error log of the calculations\n"
           "                       (default: Error Log.txt in the user's state folder)\n"
           "  --on-error ANSWER    at a failing statement, and before the run at a bonus database that\n"
           "                       is missing or cannot be read: continue (go on), stop (roll back, or\n"
           "                       do not start, and end), ask (ask on the terminal); default ask on a\n"
           "                       terminal, else stop\n"
           "  --summary-json FILE  also write the summary as JSON\n"
           "  --quiet              no progress on stderr\n"
           "  --help               this text\n"
           "  --version            the program's version and its SQL engine's\n"
           "\n"
           "Exit status: 0 finished cleanly, 3 finished but statements were skipped or error log\n"
           "entries written, 1 stopped (nothing changed), 2 bad usage.\n";
}

Options parseOptions(const std::vector<std::string>& arguments)
{
    Options options;
    bool seenOrrin = false;
    bool seenAgent = false;
    bool seenOnError = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t equals = name.find('=');
            name.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        auto flag = [&](bool& target) {
            if (inlineValue) {
                throw UsageError{name + " takes no value"};
            }
            target = true;
        };
        auto value = [&]() -> std::string {
            if (inlineValue) {
                return *inlineValue;
            }
            if (i + 1 >= arguments.size()) {
                throw UsageError{name + " needs a value"};
            }
            return arguments[++i];
        };
        auto once = [&](bool seen) {
            if (seen) {
                throw UsageError{name + " is given twice"};
            }
        };
        if (name == "--help" || name == "-h") {
            flag(options.help);
        } else if (name == "--version") {
            flag(options.version);
        } else if (name == "--quiet") {
            flag(options.quiet);
        } else if (name == "--orrin-db") {
            once(seenOrrin);
            seenOrrin = true;
            options.orrinDb = value();
        } else if (name == "--agent-db") {
            once(seenAgent);
            seenAgent = true;
            options.agentDb = value();
        } else if (name == "--bonus-db") {
            once(options.bonusDb.has_value());
            options.bonusDb = platform::pathFromUtf8(value());
        } else if (name == "--error-log") {
            once(options.errorLog.has_value());
            options.errorLog = platform::pathFromUtf8(value());
        } else if (name == "--summary-json") {
            once(options.summaryJson.has_value());
            options.summaryJson = platform::pathFromUtf8(value());
        } else if (name == "--on-error") {
            once(seenOnError);
            seenOnError = true;
            options.onError = parseOnError(value());
        } else {
            throw UsageError{"unknown argument '" + arguments[i] + "'"};
        }
    }
    if (options.help || options.version) {
        return options;
    }
    // As in the window, both databases must be named before anything is opened.
    if (isBlank(options.orrinDb) || isBlank(options.agentDb)) {
        throw UsageError{"Please choose both database paths !!! (--orrin-db and --agent-db)"};
    }
    for (const auto* file : {&options.bonusDb, &options.errorLog, &options.summaryJson}) {
        if (*file && (*file)->empty()) {
            throw UsageError{"a file option was given an empty name"};
        }
    }
    return options;
}

std::string databaseFolder(const std::string& path)
{
    std::error_code failure;
    if (std::filesystem::is_directory(platform::pathFromUtf8(path), failure)) {
        const char last = path.back();
        return (last == '/' || last == '\\') ? path : path + "/";
    }
    const std::string folder = migration::folderOf(path);
    // A bare name means the current folder here, never the root of the file system.
    return folder.empty() ? std::string("./") : folder;
}

} // namespace orrin::cli
