#include "jet/crypto/PasswordText.h"

#include <gtest/gtest.h>

using namespace orrin::jet;

namespace {

TEST(PasswordText, GivesTheBytesAPasswordIsStoredAndHashedAs)
{
    struct Case {
        const char* name;
        std::string utf8;
        Bytes utf16le;
        Bytes singleByte;
    };
    const Case cases[] = {
        {"ASCII", "Ab1", {'A', 0, 'b', 0, '1', 0}, {'A', 'b', '1'}},
        {"empty", "", {}, {}},
        {"Latin-1 letter", "\xC3\xA9", {0xE9, 0x00}, {0xE9}},
        {"euro sign beyond Latin-1", "\xE2\x82\xAC", {0xAC, 0x20}, {'?'}},
        {"outside the BMP as a surrogate pair", "\xF0\x9D\x84\x9E", {0x34, 0xD8, 0x1E, 0xDD}, {'?'}},
        {"cut sequence", "a\xC3", {'a', 0, 0xFD, 0xFF}, {'a', '?'}},
        {"overlong slash", "\xC0\xAF", {0xFD, 0xFF, 0xFD, 0xFF}, {'?', '?'}},
        {"encoded surrogate", "\xED\xA0\x80", {0xFD, 0xFF, 0xFD, 0xFF, 0xFD, 0xFF}, {'?', '?', '?'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf16leOf(c.utf8), c.utf16le);
        EXPECT_EQ(singleByteOf(c.utf8), c.singleByte);
    }
}

} // namespace
