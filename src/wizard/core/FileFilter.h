#pragma once

#include <string>
#include <vector>

namespace orrin::wizard {

// One entry of a file dialog's filter list: what the user reads, and the wildcard patterns whose
// files it lists.
struct FileFilterEntry {
    std::string description;
    std::vector<std::string> patterns;

    bool operator==(const FileFilterEntry&) const = default;
};

// Reads the classic "description|pattern|description|pattern" filter. Patterns within one entry are
// separated by ';' (blanks around them dropped). A description without a pattern (the last one
// alone, or one followed by an empty pattern) lists every file: its pattern is "*". Patterns match
// file names without regard to letter case, as on the file system the two applications come from.
std::vector<FileFilterEntry> parseFileFilter(const std::string& classicFilter);

} // namespace orrin::wizard
