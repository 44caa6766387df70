#pragma once

// Running other programs from a test (the mdbtools commands, our own programs) and reading what
// they print. Header-only, so that every test program can use it whatever it links.

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace orrin::testing {

struct CommandResult {
    std::string output; // standard output, whole
    int status = -1;    // exit status; -1 when the command could not start or did not exit
};

// Runs command through /bin/sh and waits for it. The command runs under the C.UTF-8 locale
// whatever the test's own environment says: the mdbtools commands take and print names as UTF-8
// only under a UTF-8 locale, and refuse a table name such as "Umsätze" under the C locale that an
// empty environment gives.
inline CommandResult runCommand(const std::string& command)
{
    CommandResult result;
    const std::string withLocale = "LC_ALL=C.UTF-8; export LC_ALL; " + command;
    FILE* pipe = ::popen(withLocale.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// text as one shell word: in single quotes, a quote inside written as '\''.
inline std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The records of RFC 4180 text (LF or CR LF line ends; quoted fields may hold both, commas and
// doubled quotes).
inline std::vector<std::vector<std::string>> csvRecords(const std::string& text)
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            fields.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(fields));
            fields.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !fields.empty()) {
        fields.push_back(std::move(field));
        records.push_back(std::move(fields));
    }
    return records;
}

} // namespace orrin::testing
