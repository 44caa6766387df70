// Known answers of every cipher and hash the page codecs use, from the documents that define them:
// RFC 6229 (RC4), FIPS 180 (SHA-1, SHA-512), FIPS 197 and NIST SP 800-38A (AES ECB and CBC). The
// key derivations of Office RC4 CryptoAPI and agile encryption are checked against the files Access
// made (PasswordTest), since no document publishes a worked example of them.

#include "jet/crypto/Crypto.h"
#include "jet/crypto/JetRc4Cipher.h"
#include "jet/crypto/Rc4.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using orrin::jet::Bytes;

Bytes hex(std::string_view text)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}

Bytes ascii(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

struct Rc4Case {
    const char* name;
    const char* key;
    std::size_t offset; // bytes of the key stream skipped
    const char* stream; // the 16 bytes that follow
};

// RFC 6229, section 2: key streams of the keys 0x0102... of 40 and 128 bits; and the widely published
// vectors of ASCII keys (the whole cipher text of a short plain text, offset 0).
const Rc4Case kRc4Cases[] = {
    {"40-bit key, offset 0", "0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
    {"40-bit key, offset 16", "0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
    {"40-bit key, offset 240", "0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae"},
    {"128-bit key, offset 0", "0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
    {"128-bit key, offset 16", "0102030405060708090a0b0c0d0e0f10", 16, "5248c4959014126a6e8a84f11d1a9e1c"},
};

struct Rc4TextCase {
    const char* key;
    const char* plain;
    const char* cipher;
};

const Rc4TextCase kRc4TextCases[] = {
    {"Key", "Plaintext", "bbf316e8d940af0ad3"},
    {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
};

TEST(CryptoVectors, Rc4EncryptsThePublishedPlainTexts)
{
    for (const auto& c : kRc4TextCases) {
        Bytes data = ascii(c.plain);
        orrin::jet::Rc4::apply(ascii(c.key), data);
        EXPECT_EQ(data, hex(c.cipher)) << c.key;
    }
}

TEST(CryptoVectors, Rc4GivesTheKeyStreamsOfRfc6229)
{
    for (const auto& c : kRc4Cases) {
        Bytes data(c.offset + 16, 0);
        orrin::jet::Rc4::apply(hex(c.key), data);
        EXPECT_EQ(Bytes(data.begin() + static_cast<std::ptrdiff_t>(c.offset), data.end()), hex(c.stream))
            << c.name;
    }
}

TEST(CryptoVectors, Rc4ContinuesTheStreamAcrossCalls)
{
    orrin::jet::Rc4 rc4(hex("0102030405"));
    Bytes first(16, 0);
    Bytes second(16, 0);
    rc4.apply(first);
    rc4.apply(second);
    EXPECT_EQ(second, hex("6982944f18fc82d589c403a47a0d0919"));
}

// The Jet page cipher encrypts page n with RC4 keyed by the four bytes of (database key XOR n),
// little-endian. The published four-byte RC4 vector (key "Wiki", plain text "pedia") is reached
// from two pages: the database key is chosen so that the XOR gives the bytes 57 69 6B 69.
struct JetCase {
    const char* name;
    std::uint32_t databaseKey;
    std::uint32_t page;
};

const JetCase kJetCases[] = {
    {"page 1", 0x696B6956, 1},
    {"page 0x100", 0x696B6857, 0x100},
    {"page 0x696B6957 of an unkeyed file", 0, 0x696B6957},
};

TEST(CryptoVectors, JetPageCipherKeysEachPageByTheDatabaseKeyXorItsNumber)
{
    for (const auto& c : kJetCases) {
        Bytes page = ascii("pedia");
        orrin::jet::JetRc4Cipher(c.databaseKey).encrypt(c.page, page);
        EXPECT_EQ(page, hex("1021bf0420")) << c.name;
        orrin::jet::JetRc4Cipher(c.databaseKey).decrypt(c.page, page);
        EXPECT_EQ(page, ascii("pedia")) << c.name;
    }
}

struct HashCase {
    const char* name;
    orrin::jet::HashKind kind;
    std::string message;
    const char* digest;
};

// FIPS 180-2, appendices A and C: one-block and two-block messages, and a million "a".
const HashCase kHashCases[] = {
    {"SHA-1 of abc", orrin::jet::HashKind::Sha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"SHA-1 of two blocks", orrin::jet::HashKind::Sha1,
     "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {"SHA-1 of a million a", orrin::jet::HashKind::Sha1, std::string(1000000, 'a'),
     "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {"SHA-512 of abc", orrin::jet::HashKind::Sha512, "abc",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
     "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    {"SHA-512 of two blocks", orrin::jet::HashKind::Sha512,
     "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrs"
     "tnopqrstu",
     "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
     "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
};

TEST(CryptoVectors, HashesGiveTheDigestsOfFips180)
{
    for (const auto& c : kHashCases) {
        orrin::jet::Hasher hasher(c.kind);
        EXPECT_EQ(hasher.digest({ascii(c.message)}), hex(c.digest)) << c.name;
    }
}

TEST(CryptoVectors, AHasherDigestsItsPartsAsOneMessage)
{
    orrin::jet::Hasher hasher(orrin::jet::HashKind::Sha1);
    const Bytes a = ascii("ab");
    const Bytes b = ascii("c");
    EXPECT_EQ(hasher.digest({a, b}), hex("a9993e364706816aba3e25717850c26c9cd0d89d"));
    EXPECT_EQ(hasher.digest({b}), hex("84a516841ba77a5b4648de2cd0dfcb30ea46dbb4"));
}

struct AesCase {
    const char* name;
    orrin::jet::AesMode mode;
    const char* key;
    const char* iv;
    const char* plain;
    const char* cipher;
};

// FIPS 197 appendix C (one block), NIST SP 800-38A F.1.1 (ECB-AES128) and F.2.1, F.2.5 (CBC).
const AesCase kAesCases[] = {
    {"FIPS 197 C.1, AES-128", orrin::jet::AesMode::Ecb, "000102030405060708090a0b0c0d0e0f", "",
     "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"FIPS 197 C.2, AES-192", orrin::jet::AesMode::Ecb, "000102030405060708090a0b0c0d0e0f1011121314151617",
     "", "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"FIPS 197 C.3, AES-256", orrin::jet::AesMode::Ecb,
     "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    {"SP 800-38A F.1.1, ECB-AES128, two blocks", orrin::jet::AesMode::Ecb, "2b7e151628aed2a6abf7158809cf4f3c",
     "", "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51",
     "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"},
    {"SP 800-38A F.2.1, CBC-AES128, two blocks", orrin::jet::AesMode::Cbc, "2b7e151628aed2a6abf7158809cf4f3c",
     "000102030405060708090a0b0c0d0e0f", "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51",
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"},
    {"SP 800-38A F.2.5, CBC-AES256, two blocks", orrin::jet::AesMode::Cbc,
     "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", "000102030405060708090a0b0c0d0e0f",
     "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51",
     "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"},
};

TEST(CryptoVectors, AesGivesTheCiphertextsOfFips197AndSp80038a)
{
    for (const auto& c : kAesCases) {
        Bytes data = hex(c.plain);
        orrin::jet::aesApply(true, c.mode, hex(c.key), hex(c.iv), data);
        EXPECT_EQ(data, hex(c.cipher)) << c.name << ", encrypting";
        orrin::jet::aesApply(false, c.mode, hex(c.key), hex(c.iv), data);
        EXPECT_EQ(data, hex(c.plain)) << c.name << ", decrypting";
    }
}

} // namespace
