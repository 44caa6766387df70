#include "jet/index/IndexKey.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace orrin::jet;

namespace {

std::string hex(const std::vector<std::uint8_t>& bytes)
{
    std::string s;
    char buf[3];
    for (auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        s += buf;
    }
    return s;
}

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> list)
{
    std::vector<std::uint8_t> v;
    for (int b : list)
        v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

std::vector<std::uint8_t> littleEndian(std::uint64_t v, int size)
{
    std::vector<std::uint8_t> out;
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return out;
}

std::vector<std::uint8_t> storedDouble(double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return littleEndian(bits, 8);
}

// One column's value in a test case: what the key encoder is given.
struct Part {
    IndexKeyColumn column;
    KeyValue::Kind kind = KeyValue::Kind::Null;
    std::vector<std::uint8_t> stored;
    std::u16string text;
    bool boolean = false;
};

Part text(std::u16string t, bool asc = true, TextSortOrder order = TextSortOrder::GeneralLegacy)
{
    Part p;
    p.column = {coltype::Text, asc, order, true};
    p.kind = KeyValue::Kind::Text;
    p.text = std::move(t);
    return p;
}

Part stored(std::uint8_t type, std::vector<std::uint8_t> bytes, bool asc = true, bool legacyNumeric = true)
{
    Part p;
    p.column = {type, asc, TextSortOrder::GeneralLegacy, legacyNumeric};
    p.kind = KeyValue::Kind::Stored;
    p.stored = std::move(bytes);
    return p;
}

Part longValue(std::int32_t v, bool asc = true)
{
    return stored(coltype::Long, littleEndian(std::uint32_t(v), 4), asc);
}

Part null(std::uint8_t type, bool asc = true)
{
    Part p;
    p.column = {type, asc, TextSortOrder::GeneralLegacy, true};
    return p;
}

Part yesNo(bool b, bool asc = true, bool isNull = false)
{
    Part p;
    p.column = {coltype::Boolean, asc, TextSortOrder::GeneralLegacy, true};
    p.kind = isNull ? KeyValue::Kind::Null : KeyValue::Kind::Boolean;
    p.boolean = b;
    return p;
}

std::string keyOf(const std::vector<Part>& parts)
{
    std::vector<std::uint8_t> key;
    for (const auto& p : parts) {
        KeyValue v;
        v.kind = p.kind;
        v.stored = p.stored;
        v.text = p.text;
        v.boolean = p.boolean;
        appendIndexKey(key, p.column, v);
    }
    return hex(key);
}

// Keys copied from index pages that Access wrote: the catalog's (ParentId, Name) index of Jet 4 and
// ACE files, a descending Long column.
TEST(IndexKey, EqualsKeysAccessWrote)
{
    struct Case {
        const char* name;
        std::vector<Part> parts;
        const char* expected;
    };
    const Case cases[] = {
        {"Jet 4 catalog: DataAccessPages",
         {longValue(0x0F000000), text(u"DataAccessPages")},
         "7f8f0000007f4f4a6d4a4a4d4d516b6b664a55516b0100"},
        {"Jet 4 storage: a name starting with an unprintable character",
         {longValue(17), text(u"\u0003DirData")},
         "7f800000117f4f59694f4a6d4a010101018007060500"},
        {"ACE catalog: DataAccessPages in the General order",
         {longValue(0x0F000000), text(u"DataAccessPages", true, TextSortOrder::General)},
         "7f8f0000007f0e1a0e020e990e020e020e0a0e0a0e210e910e910e7e0e020e250e210e910100"},
        {"ACE catalog: Admin",
         {longValue(-2147483643), text(u"Admin", true, TextSortOrder::General)},
         "7f000000057f0e020e1a0e510e320e700100"},
        {"descending Long 19", {longValue(19, false)}, "807fffffec"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keyOf(c.parts), c.expected);
    }
}

TEST(IndexKey, TextKeysFollowTheSortOrderTables)
{
    struct Case {
        const char* name;
        Part part;
        const char* expected;
    };
    const Case cases[] = {
        {"letters ignore case", text(u"aB"), "7f4a4c0100"},
        {"trailing spaces do not count", text(u"ab  "), "7f4a4c0100"},
        {"an empty text", text(u""), "7f0100"},
        {"a character the order ignores", text(std::u16string(u"a\0b", 3)), "7f4a4c0100"},
        {"descending inverts the text and ends with 00", text(u"a", false), "80b5feff00"},
        {"accent as an extra code", text(u"\u00e9"), "7f51010e00"},
        {"extra code after a plain character", text(u"e\u00e9"), "7f515101020e00"},
        {"no placeholder after the last extra code", text(u"\u00e9e"), "7f5151010e00"},
        {"Latin with accents beyond 255", text(u"\u015aa"), "7f6b4a010e00"},
        {"unprintable character with its place", text(u"a-b"),
         "7f4a4c0101010180"
         "0b068200"},
        {"unprintable after an extra code", text(u"\u00e9-"),
         "7f51010e01010180"
         "0b068200"},
        {"modifier adds to the last extra code", text(u"\u00e9\u02b9"), "7f51011a00"},
        {"modifier with no extra code before it", text(u"\u02b9"), "7f010c00"},
        {"flags: trailing 'other' flags dropped, suffix kept", text(u"\u3042"), "7f7f02010101ff0280ff8000"},
        {"flags: three to a byte", text(u"\u3041\u3042\u3041"), "7f7f027f027f02010101aeff0280ff8000"},
        {"Devanagari", text(u"\u0930\u093e\u092e"), "7f7a5a7a657a580100"},
        {"surrogate pair", text(u"\U0001F600"), "7fb03fb6fc013f3f00"},
        {"General order", text(u"\u00e9", true, TextSortOrder::General), "7f0e21010e00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keyOf({c.part}), c.expected);
    }
}

TEST(IndexKey, TextKeysCountAtMost255Characters)
{
    std::string codes;
    for (int i = 0; i < 255; ++i)
        codes += "4a";
    EXPECT_EQ(keyOf({text(std::u16string(300, u'a'))}), "7f" + codes + "0100");
    EXPECT_EQ(keyOf({text(std::u16string(255, u'a') + u"b")}), "7f" + codes + "0100");
}

TEST(IndexKey, OtherTypesAreBigEndianWithTheirSignHandled)
{
    struct Case {
        const char* name;
        Part part;
        std::string expected;
    };
    const auto guid = bytesOf(
        {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff});
    // 5 and -5 as stored decimals: sign byte, then the magnitude with each 32-bit word reversed.
    auto decimal = [](bool negative) {
        std::vector<std::uint8_t> v(17, 0);
        v[0] = negative ? 0x80 : 0x00;
        v[13] = 0x05;
        return v;
    };
    const std::string zeros15(30, '0');
    const std::string ones15(30, 'f');
    const Case cases[] = {
        {"Long 1", longValue(1), "7f80000001"},
        {"Long -1", longValue(-1), "7f7fffffff"},
        {"Long 1 descending", longValue(1, false), "807ffffffe"},
        {"Integer 0x0102", stored(coltype::Int, {0x02, 0x01}), "7f8102"},
        {"Byte 200", stored(coltype::Byte, {200}), "7fc8"},
        {"Byte 200 descending", stored(coltype::Byte, {200}, false), "8037"},
        {"Currency 1.0000", stored(coltype::Money, littleEndian(10000, 8)), "7f8000000000002710"},
        {"BigInt -2", stored(coltype::BigInt, littleEndian(std::uint64_t(-2), 8)), "7f7ffffffffffffffe"},
        {"Double 1", stored(coltype::Double, storedDouble(1.0)), "7fbff0000000000000"},
        {"Double -1", stored(coltype::Double, storedDouble(-1.0)), "7f400fffffffffffff"},
        {"Double 1 descending", stored(coltype::Double, storedDouble(1.0), false), "80400fffffffffffff"},
        {"Double -1 descending", stored(coltype::Double, storedDouble(-1.0), false), "80bff0000000000000"},
        {"Date -1.25 (29 Dec 1899 06:00)", stored(coltype::DateTime, storedDouble(-1.25)),
         "7f400bffffffffffff"},
        {"Single 1", stored(coltype::Float, littleEndian(0x3f800000, 4)), "7fbf800000"},
        {"Yes", yesNo(true), "7f00"},
        {"No", yesNo(false), "7fff"},
        {"Yes/No Null is No", yesNo(false, true, true), "7fff"},
        {"Yes descending", yesNo(true, false), "80ff"},
        {"Null ascending", null(coltype::Long), "00"},
        {"Null descending", null(coltype::Text, false), "ff"},
        {"GUID in written order, 8-byte groups", stored(coltype::Guid, guid),
         "7f3322110055447766098899aabbccddeeff08"},
        {"binary, last group padded", stored(coltype::Binary, {1, 2, 3}),
         "7f0102030000000000"
         "03"},
        {"binary descending", stored(coltype::Binary, {1, 2, 3}, false),
         "80fefdfcffffffffff"
         "fc"},
        {"decimal 5, Jet 4", stored(coltype::Numeric, decimal(false)), ("7fff" + zeros15 + "05")},
        {"decimal -5, Jet 4", stored(coltype::Numeric, decimal(true)), ("7f00" + ones15 + "fa")},
        {"decimal 5 descending, Jet 4", stored(coltype::Numeric, decimal(false), false),
         ("80ff" + ones15 + "fa")},
        {"decimal 5 descending, ACE", stored(coltype::Numeric, decimal(false), false, false),
         ("8000" + ones15 + "fa")},
        {"decimal -5 descending, ACE", stored(coltype::Numeric, decimal(true), false, false),
         ("80ff" + zeros15 + "05")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keyOf({c.part}), c.expected);
    }
}

TEST(IndexKey, RefusesWhatItCannotEncode)
{
    struct Case {
        const char* name;
        Part part;
    };
    const Case cases[] = {
        {"an OLE column", stored(coltype::Ole, {1, 2})},
        {"a Long of 3 bytes", stored(coltype::Long, {1, 2, 3})},
        {"text for a Long",
         [] {
             Part p = text(u"1");
             p.column.type = coltype::Long;
             return p;
         }()},
        {"bytes for a Text", stored(coltype::Text, {1})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            keyOf({c.part});
            ADD_FAILURE() << "encoded";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::Unsupported);
        }
    }
}

TEST(IndexKey, Utf8BecomesUtf16)
{
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"abc", u"abc"},
        {"\xc5\x9ar\xc4\xabniv\xc4\x81san", u"\u015ar\u012bniv\u0101san"},
        {"\xe0\xa4\xb0\xe0\xa4\xbe\xe0\xa4\xae", u"\u0930\u093e\u092e"},
        {"\xf0\x9f\x98\x80", u"\U0001F600"},
        {"a\xff"
         "b",
         u"a\uFFFDb"},
        {"\xc0\x80", u"\uFFFD\uFFFD"}, // overlong form of NUL
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf16FromUtf8(c.utf8), c.utf16) << c.utf8;
}

} // namespace
