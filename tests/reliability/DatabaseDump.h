#pragma once

#include <filesystem>
#include <string>

namespace orrin::reliability {

// Every table of an encrypted database as text, read by the sqlcipher shell (not by our own store,
// so a fault in the store cannot hide itself): the schema, then for each table in name order one
// INSERT statement per row in rowid order. Two dumps are equal exactly when the tables hold the
// same rows in the same order. Opening the file this way also rolls back a journal left by a killed
// writer, as any reader would. Throws std::runtime_error (with the shell's message) when the file
// does not open with the password.
std::string dumpDatabase(const std::filesystem::path& file, const std::string& password);

// Runs a script of statements and shell commands in the sqlcipher shell on an encrypted database
// and returns what it printed (list mode, "|" between columns). Throws like dumpDatabase.
std::string runSqlShell(const std::filesystem::path& file, const std::string& password,
                        const std::string& script);

// The bytes of a file, to show that a run left it untouched.
std::string fileBytes(const std::filesystem::path& file);

// An error log without the lines that hold the moment of writing, the run's folder written as
// <run>: what two runs on the same data must agree on.
std::string comparableLog(const std::filesystem::path& log, const std::string& runFolder);

// The names in a folder, sorted: what a run left beside the databases.
std::string folderListing(const std::filesystem::path& folder);

} // namespace orrin::reliability
