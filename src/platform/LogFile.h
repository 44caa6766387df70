#pragma once

#include <filesystem>
#include <string_view>

namespace orrin::platform {

// Appends text to the log file at path in one piece, creating it readable and writable by this user
// alone, and closes it again, so the text is complete on disk when the call returns. Refuses (as
// FileError with an empty action) a path that is a link ("it is a symbolic link") or names anything
// but a regular file ("it is not a regular file"), never blocking on a pipe with no reader; other
// failures carry the system's reason ("write failed" when it gives none).
void appendToLogFile(const std::filesystem::path& path, std::string_view text);

} // namespace orrin::platform
