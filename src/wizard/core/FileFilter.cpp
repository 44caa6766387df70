#include "wizard/core/FileFilter.h"

namespace orrin::wizard {

namespace {

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<FileFilterEntry> parseFileFilter(const std::string& classicFilter)
{
    std::vector<FileFilterEntry> entries;
    const std::vector<std::string> parts = split(classicFilter, '|');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FileFilterEntry entry;
        entry.description = parts[i];
        if (i + 1 < parts.size()) {
            for (const std::string& pattern : split(parts[i + 1], ';')) {
                if (const std::string clean = trimmed(pattern); !clean.empty()) {
                    entry.patterns.push_back(clean);
                }
            }
        }
        if (entry.patterns.empty()) {
            entry.patterns.push_back("*");
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace orrin::wizard
