#pragma once

#include <string_view>

namespace orrin {

// The two applications' database files keep fixed names and fixed database passwords.
inline constexpr std::string_view kOrrinFileName = "zrv.accdb";
inline constexpr std::string_view kCalvaneFileName = "LIC.mdb";
inline constexpr std::string_view kBonusFileName = "lic.mdb"; // beside the program
inline constexpr std::string_view kOrrinPassword = "%Q7k!Lw2~(&9}R";
inline constexpr std::string_view kCalvanePassword = "QZMRAKS";

} // namespace orrin
