#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/pager/PageFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

using namespace orrin::jet;

namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

std::vector<std::uint8_t> bytesOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr std::size_t kInfo = 0x299;

// Replaces the agile encryption description's text from with to, keeping its length field right.
void editDescription(std::vector<std::uint8_t>& bytes, const std::string& from, const std::string& to)
{
    const std::size_t length = decodeFixed16(bytes.data() + kInfo);
    std::string info(bytes.begin() + kInfo + 2, bytes.begin() + kInfo + 2 + length);
    const auto at = info.find(from);
    ASSERT_NE(at, std::string::npos);
    info.replace(at, from.size(), to);
    std::fill(bytes.begin() + kInfo, bytes.begin() + 4096, 0);
    encodeFixed16(bytes.data() + kInfo, static_cast<std::uint16_t>(info.size()));
    std::copy(info.begin(), info.end(), bytes.begin() + kInfo + 2);
}

struct Case {
    const char* name;
    const char* sample;
    const char* password;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    Failure failure;
    const char* message; // the message after the file name
};

TEST(Damage, ADamagedFileIsAnErrorNamingTheFileAndPage)
{
    const char* agile = "encrypted/password--ace-agile-4.4.accdb";
    const char* rc4 = "encrypted/password--ace-rc4-cryptoapi-4.2.accdb";
    const Case cases[] = {
        {"empty file", "jet4/types-2000.mdb", "", [](auto& b) { b.clear(); }, Failure::NotADatabase,
         " is not a database."},
        {"first page of zeros", "jet4/types-2000.mdb", "",
         [](auto& b) { std::fill(b.begin(), b.begin() + 4096, 0); }, Failure::NotADatabase,
         " is not a database."},
        {"cut inside the first page", "jet4/types-2000.mdb", "", [](auto& b) { b.resize(1000); },
         Failure::Damaged, " is damaged: page 0: the file ends inside the page."},
        {"cut inside a later page", "jet3/types-1997.mdb", "", [](auto& b) { b.resize(b.size() - 100); },
         Failure::Damaged, " is damaged: page 57: the file ends inside the page."},
        {"unknown version", "jet4/types-2000.mdb", "", [](auto& b) { b[0x14] = 0x42; }, Failure::Unsupported,
         " is an Access file of a version this program does not read (66)."},
        {"encryption header longer than the page", agile, "password",
         [](auto& b) { encodeFixed16(&b[kInfo], 0xFFFF); }, Failure::Damaged,
         " is damaged: page 0: the encryption header's length (65535) runs past the page."},
        {"encryption header cut after the version", agile, "password",
         [](auto& b) { encodeFixed16(&b[kInfo], 6); }, Failure::Damaged,
         " is damaged: page 0: the encryption header ends before its fields do."},
        {"CryptoAPI header size past the header", rc4, "password",
         [](auto& b) { encodeFixed32(&b[kInfo + 10], 5000); }, Failure::Damaged,
         " is damaged: page 0: the encryption header ends before its fields do."},
        {"CryptoAPI verifier cut short", rc4, "password", [](auto& b) { encodeFixed16(&b[kInfo], 150); },
         Failure::Damaged, " is damaged: page 0: the encryption header ends before its fields do."},
        {"unknown encryption version", rc4, "password", [](auto& b) { encodeFixed16(&b[kInfo + 2], 9); },
         Failure::Unsupported,
         " is encrypted with encryption version 9.2, which this program does not read."},
        {"a spin count that would hang", agile, "password",
         [](auto& b) { editDescription(b, "spinCount=\"100000\"", "spinCount=\"4000000000\""); },
         Failure::Damaged,
         " is damaged: page 0: the encryption description's spin count is over 10,000,000."},
        {"salt that is not Base64", agile, "password",
         [](auto& b) { editDescription(b, "saltValue=\"DAyc", "saltValue=\"D*yc"); }, Failure::Damaged,
         " is damaged: page 0: the encryption description's saltValue is not Base64."},
        {"missing key data", agile, "password", [](auto& b) { editDescription(b, "<keyData ", "<keyDat "); },
         Failure::Damaged, " is damaged: page 0: the encryption description has no key data."},
        {"encrypted value not whole blocks", agile, "password",
         [](auto& b) {
             editDescription(b, "encryptedVerifierHashInput=\"PpoGGddaHWNs18zrH5MN6w==\"",
                             "encryptedVerifierHashInput=\"PpoG\"");
         },
         Failure::Damaged,
         " is damaged: page 0: an encrypted value of the encryption description is not whole blocks."},
        {"a certificate instead of a password", agile, "password",
         [](auto& b) {
             editDescription(
                 b, "keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password",
                 "keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate");
         },
         Failure::Unsupported,
         " is encrypted with a key that is not a password's, which this program does not read."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = bytesOf(kSamples / c.sample);
        c.damage(bytes);
        const std::string name = std::string("damaged ") + c.name;
        try {
            PageFile::openBytes(bytes, name, c.password);
            ADD_FAILURE() << "opened";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), c.failure);
            EXPECT_EQ(std::string(e.what()), name + c.message);
        }
    }
}

TEST(Damage, APagePastTheEndIsAnErrorNamingIt)
{
    const auto path = kSamples / "jet4/types-2000.mdb";
    const auto file = PageFile::open(path, "");
    try {
        file->page(file->pageCount());
        ADD_FAILURE() << "read past the end";
    } catch (const Error& e) {
        EXPECT_EQ(e.failure(), Failure::Damaged);
        EXPECT_EQ(std::string(e.what()),
                  path.string() + " is damaged: page 743: past the end of the file (743 pages).");
    }
}

TEST(Damage, AMissingFileIsAnInputOutputError)
{
    try {
        PageFile::open(kSamples / "no such file.mdb", "");
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.failure(), Failure::Io);
        EXPECT_NE(std::string(e.what()).find("no such file.mdb"), std::string::npos);
    }
}

} // namespace
