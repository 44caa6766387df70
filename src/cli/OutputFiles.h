#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orrin::cli {

// An input database of the run, for the checks below: what it is called in messages and where it is.
struct InputFile {
    std::string role;           // "the Orrin database", "the Calvane database", "the bonus database"
    std::filesystem::path path; // as the run will open it (letter case resolved when possible)
};

// The run's input databases: zrv.accdb and LIC.mdb in the two folders, and the bonus database.
std::vector<InputFile> inputFiles(const std::string& OrrinDbFolder, const std::string& AgentDbFolder,
                                  const std::filesystem::path& bonusDb);

// Why output may not be written (nullopt when it may): it is the same file as an input (same
// device and inode), or its name is, without regard to letter case, an input's name or that of its
// journal in the input's folder. option names the flag in the message.
std::optional<std::string> outputOverInput(const std::string& option, const std::filesystem::path& output,
                                           const std::vector<InputFile>& inputs);

// Why the error log may not be used (nullopt when it may): a symbolic link, or anything but a
// regular file, where the log is to be appended.
std::optional<std::string> unusableLog(const std::filesystem::path& log);

// Why the summary cannot be written at the end (nullopt when it can): its folder is missing or not
// writable, or the name is a folder.
std::optional<std::string> unwritableSummary(const std::filesystem::path& summary);

// Writes text to a new file beside path and renames it into place, so that path holds either its
// old contents or the whole text, never a part. Returns false (and leaves no temporary file) when
// that fails.
bool replaceFile(const std::filesystem::path& path, const std::string& text);

// Text from the data made safe for a terminal: control characters other than line feed and tab,
// DEL and the C1 controls are shown as \xNN, so no escape sequence reaches the terminal.
std::string escapeControls(const std::string& text);

} // namespace orrin::cli
