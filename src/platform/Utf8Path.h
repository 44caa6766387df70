#pragma once

// This program holds text, and so file names, as UTF-8. A path made straight from a std::string
// reads it in the C library's locale, which on Windows is not UTF-8 (it takes each byte for a
// character); text from the command line, a connection text or a dialog becomes a path through
// pathFromUtf8 instead, on every system. path.string() already gives UTF-8 on both.

#include <filesystem>
#include <string>
#include <string_view>

namespace orrin::platform {

inline std::filesystem::path pathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

} // namespace orrin::platform
