#pragma once

// Windows only: the conversions between this program's UTF-8 and the system's UTF-16, and the
// system's words for its last error.

#include <string>
#include <string_view>

namespace orrin::platform {

std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);

// The system's message for error (GetLastError's number), without its final full stop and line end.
std::string systemMessage(unsigned long error);
// systemMessage(GetLastError()).
std::string lastErrorText();

} // namespace orrin::platform
