#include "jet/write/FieldWriter.h"
#include "jet/base/JetError.h"
#include "jet/table/Format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

ColumnDef column(std::uint8_t type, std::uint8_t precision = 0, std::uint8_t scale = 0)
{
    ColumnDef c;
    c.name = "F";
    c.type = type;
    c.precision = precision;
    c.scale = scale;
    return c;
}

Value integer(std::int64_t n)
{
    Value v;
    v.kind = Value::Kind::Integer;
    v.integer = n;
    return v;
}

Value real(double d, Value::Kind kind = Value::Kind::Double)
{
    Value v;
    v.kind = kind;
    v.real = d;
    return v;
}

Value text(const std::string& t)
{
    Value v;
    v.kind = Value::Kind::Text;
    v.text = t;
    return v;
}

// Values become the bytes a row stores: little-endian numbers, GUIDs with their first three parts
// reversed, decimals as a sign byte and four 32-bit words from the most significant.
TEST(FieldWriter, ValuesBecomeTheStoredBytes)
{
    struct Case {
        const char* name;
        ColumnDef column;
        Value value;
        const char* expected;
    };
    const Case cases[] = {
        {"Byte", column(coltype::Byte), integer(200), "c8"},
        {"Int -2", column(coltype::Int), integer(-2), "feff"},
        {"Long from a whole double", column(coltype::Long), real(70000.0), "70110100"},
        {"Long from text", column(coltype::Long), text("-1"), "ffffffff"},
        {"Currency from units", column(coltype::Money), real(1.2345), "3930000000000000"},
        {"Currency as ten-thousandths", column(coltype::Money),
         [] {
             Value v = integer(12345);
             v.kind = Value::Kind::Currency;
             return v;
         }(),
         "3930000000000000"},
        {"Single", column(coltype::Float), real(1.0), "0000803f"},
        {"Date", column(coltype::DateTime), real(-1.25, Value::Kind::DateTime), "000000000000f4bf"},
        {"GUID", column(coltype::Guid), text("{33221100-5544-7766-8899-AABBCCDDEEFF}"),
         "00112233445566778899aabbccddeeff"},
        {"GUID without braces, lower case", column(coltype::Guid),
         text("33221100-5544-7766-8899-aabbccddeeff"), "00112233445566778899aabbccddeeff"},
        {"decimal from text", column(coltype::Numeric, 18, 2), text("-12.5"),
         "80"
         "00000000"
         "00000000"
         "00000000"
         "e2040000"},
        {"decimal from a double", column(coltype::Numeric, 18, 2), real(12.5),
         "00"
         "00000000"
         "00000000"
         "00000000"
         "e2040000"},
        {"decimal of 28 digits, beyond a double", column(coltype::Numeric, 28, 0),
         text("9999999999999999999999999999"),
         "00"
         "00000000"
         "5ece4f20"
         "6102253e"
         "ffffff0f"},
        {"BigInt", column(coltype::BigInt), text("-9223372036854775808"), "0000000000000080"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> out;
        encodeFixedField(c.column, "T", c.value, out);
        EXPECT_EQ(hex(out), c.expected);
    }
}

TEST(FieldWriter, RefusesValuesThatDoNotFit)
{
    struct Case {
        const char* name;
        ColumnDef column;
        Value value;
    };
    const Case cases[] = {
        {"Byte 256", column(coltype::Byte), integer(256)},
        {"Byte -1", column(coltype::Byte), integer(-1)},
        {"Int 40000", column(coltype::Int), integer(40000)},
        {"Long with a fraction", column(coltype::Long), real(1.5)},
        {"Long from words", column(coltype::Long), text("twelve")},
        {"Single too large", column(coltype::Float), real(1e300)},
        {"GUID malformed", column(coltype::Guid), text("{33221100-5544-7766-8899}")},
        {"decimal with more places than its scale", column(coltype::Numeric, 18, 2), text("1.005")},
        {"decimal with more digits than its precision", column(coltype::Numeric, 4, 2), text("123.45")},
        {"decimal of 29 digits", column(coltype::Numeric, 28, 0), text("79228162514264337593543950335")},
        {"decimal from text that is not a number", column(coltype::Numeric, 18, 2), text("1.2.3")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> out;
        try {
            encodeFixedField(c.column, "T", c.value, out);
            ADD_FAILURE() << "encoded " << hex(out);
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::Unsupported);
            EXPECT_NE(std::string(e.what()).find("'T.F'"), std::string::npos) << e.what();
        }
    }
}

TEST(FieldWriter, TextIsCompressedWhenItCanBe)
{
    struct Case {
        const char* name;
        std::string utf8;
        bool allowed;
        const char* expected;
    };
    const Case cases[] = {
        {"Latin-1 text, compression allowed", "ab\xC3\xA9", true, "fffe6162e9"},
        {"compression not allowed", "ab", false, "61006200"},
        {"a character beyond Latin-1", "a\xE0\xA4\xB0", true, "61003009"},
        {"empty text is empty", "", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> out;
        encodeUnicodeText(c.utf8, c.allowed, out);
        EXPECT_EQ(hex(out), c.expected);
    }
    std::vector<std::uint8_t> longText;
    encodeUnicodeText(std::string(1025, 'x'), true, longText);
    EXPECT_EQ(longText.size(), 2050u) << "over 1,024 characters text is stored uncompressed";
}

} // namespace
