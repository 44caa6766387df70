#pragma once

// A password as the file stores or hashes it. Passwords arrive as UTF-8 (from a connection text);
// Jet 4, ACE and Office encryption use UTF-16LE, Jet 3 single bytes of its code page.

#include "jet/crypto/Crypto.h"

#include <string_view>

namespace orrin::jet {

// The UTF-16LE bytes of a UTF-8 text; a malformed sequence becomes U+FFFD, so that it can never
// equal a stored password by accident of decoding.
Bytes utf16leOf(std::string_view utf8);

// The single-byte form Jet 3 keeps: characters up to U+00FF as their Latin-1 byte, others as '?'.
Bytes singleByteOf(std::string_view utf8);

} // namespace orrin::jet

#include "jet/base/JetError.h"

#include <string>

namespace orrin::jet {

// The one error for a password that does not open a file, or a missing one for a protected file.
inline Error wrongPassword(const std::string& file)
{
    return Error(Failure::WrongPassword, "the password of " + file + " is not right");
}

} // namespace orrin::jet
