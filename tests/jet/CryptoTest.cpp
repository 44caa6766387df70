// Known answers of the cryptography the page codecs use, the same on every backend (OpenSSL on
// Linux, CNG on Windows): the published vectors of FIPS 180, FIPS 197, SP 800-38A and RFC 4648.
#include "jet/crypto/Crypto.h"
#include "jet/base/JetError.h"

#include <gtest/gtest.h>

#include <string>

namespace orrin::jet {
namespace {

Bytes fromHex(std::string_view hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

std::string toHex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

struct HashCase {
    const char* name;
    HashKind kind;
    const char* digest; // of "abc"
};

const HashCase kHashCases[] = {
    {"Sha1", HashKind::Sha1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"Sha256", HashKind::Sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"Sha384", HashKind::Sha384,
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {"Sha512", HashKind::Sha512,
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d442"
     "3643ce80e"
     "2a9ac94fa54ca49f"},
};

class CryptoHash : public testing::TestWithParam<HashCase> {};

TEST_P(CryptoHash, DigestOfAbcInOnePartOrThreeIsThePublishedOne)
{
    Hasher hasher(GetParam().kind);
    const Bytes abc = bytesOf("abc");
    EXPECT_EQ(toHex(hasher.digest({abc})), GetParam().digest);
    const Bytes a = bytesOf("a"), b = bytesOf("b"), c = bytesOf("c"), none;
    // The context is reused: a second digest starts afresh; an empty part adds nothing.
    EXPECT_EQ(toHex(hasher.digest({a, none, b, c})), GetParam().digest);
    EXPECT_EQ(hasher.size(), std::string(GetParam().digest).size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Vectors, CryptoHash, testing::ValuesIn(kHashCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct AesCase {
    const char* name;
    AesMode mode;
    const char* key;
    const char* iv;
    const char* plain;
    const char* cipher;
};

const AesCase kAesCases[] = {
    {"Fips197Aes128", AesMode::Ecb, "000102030405060708090a0b0c0d0e0f", "",
     "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"Fips197Aes192", AesMode::Ecb, "000102030405060708090a0b0c0d0e0f1011121314151617", "",
     "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"Fips197Aes256", AesMode::Ecb, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    {"Sp80038aCbcAes128TwoBlocks", AesMode::Cbc, "2b7e151628aed2a6abf7158809cf4f3c",
     "000102030405060708090a0b0c0d0e0f", "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51",
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"},
};

class CryptoAes : public testing::TestWithParam<AesCase> {};

TEST_P(CryptoAes, EncryptsToThePublishedTextAndBack)
{
    const AesCase& c = GetParam();
    const Bytes key = fromHex(c.key), iv = fromHex(c.iv);
    Bytes data = fromHex(c.plain);
    aesApply(true, c.mode, key, iv, data);
    EXPECT_EQ(toHex(data), c.cipher);
    aesApply(false, c.mode, key, iv, data);
    EXPECT_EQ(toHex(data), c.plain);
}

INSTANTIATE_TEST_SUITE_P(Vectors, CryptoAes, testing::ValuesIn(kAesCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CryptoAesRefusal, AKeyOfAnotherLengthIsUnsupported)
{
    Bytes data(16);
    const Bytes key(20);
    EXPECT_THROW(aesApply(true, AesMode::Ecb, key, {}, data), Error);
}

struct Base64Case {
    const char* name;
    const char* bytes;
    const char* text;
};

const Base64Case kBase64Cases[] = {
    {"Empty", "", ""},        {"OneByte", "f", "Zg=="},      {"TwoBytes", "fo", "Zm8="},
    {"Three", "foo", "Zm9v"}, {"Six", "foobar", "Zm9vYmFy"}, {"HighBytes", "\xff\xfe\x80", "//6A"},
};

class CryptoBase64 : public testing::TestWithParam<Base64Case> {};

TEST_P(CryptoBase64, EncodesAndDecodesAsRfc4648)
{
    const Bytes bytes = bytesOf(GetParam().bytes);
    EXPECT_EQ(base64Encode(bytes), GetParam().text);
    const auto decoded = base64Decode(GetParam().text);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, bytes);
}

INSTANTIATE_TEST_SUITE_P(Vectors, CryptoBase64, testing::ValuesIn(kBase64Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CryptoBase64Decode, LineBreaksAreSkippedAndBadTextGivesNothing)
{
    EXPECT_EQ(base64Decode("Zm9v\r\nYmFy"), bytesOf("foobar"));
    EXPECT_FALSE(base64Decode("Zm9").has_value());      // not whole groups
    EXPECT_FALSE(base64Decode("Zm!v").has_value());     // not a Base64 letter
    EXPECT_FALSE(base64Decode("Zg==Zm9v").has_value()); // padding before the end
}

TEST(CryptoRandom, GivesTheCountAskedFor)
{
    EXPECT_EQ(randomBytes(0).size(), 0u);
    const Bytes a = randomBytes(32), b = randomBytes(32);
    EXPECT_EQ(a.size(), 32u);
    EXPECT_NE(a, b);
}

} // namespace
} // namespace orrin::jet
