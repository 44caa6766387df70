#include "jet/base/JetError.h"
#include "jet/pager/PageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

using namespace orrin::jet;

namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

// The protected samples: the password is the file name up to the first "--" ("none": none).
const std::map<std::string, Encryption> kProtected = {
    {"password--jet4-2000-password.mdb", Encryption::None},
    {"password--jet4-2003-password.mdb", Encryption::None},
    {"none--jet3-rc4-encoded.mdb", Encryption::JetRc4},
    {"none--jet4-rc4-encoded.mdb", Encryption::JetRc4},
    {"Test123--ace-2007-rc4-cryptoapi.accdb", Encryption::OfficeRc4CryptoApi},
    {"password--ace-rc4-cryptoapi-4.2.accdb", Encryption::OfficeRc4CryptoApi},
    {"password--ace-rc4-cryptoapi-nonstandard-provider.accdb", Encryption::OfficeAesStandard},
    {"Test123--ace-2007-agile.accdb", Encryption::OfficeAgile},
    {"password--ace-2010-agile.accdb", Encryption::OfficeAgile},
    {"password--ace-agile-4.4.accdb", Encryption::OfficeAgile},
    {"1234--ace-2013-agile.accdb", Encryption::OfficeAgile},
};

std::string passwordOf(const std::string& name)
{
    const std::string password = name.substr(0, name.find("--"));
    return password == "none" ? "" : password;
}

std::vector<std::filesystem::path> filesUnder(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".mdb" || ext == ".accdb"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> bytesOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool allZero(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// What a page made by Access starts with: its type (data 1, table definition 2, index 3 and 4,
// usage map 5, and the 8 and 9 that ACE and Jet 4 files also hold) and the byte 1.
bool looksLikeAPage(std::span<const std::uint8_t> page)
{
    const std::uint8_t type = page[0];
    return page[1] == 0x01 && ((type >= 1 && type <= 5) || type == 8 || type == 9);
}

Failure failureOpening(const std::filesystem::path& path, const std::string& password)
{
    try {
        PageFile::open(path, password);
    } catch (const Error& e) {
        if (e.failure() == Failure::WrongPassword) {
            EXPECT_EQ(std::string(e.what()), "the password of " + path.string() + " is not right");
        }
        return e.failure();
    }
    return Failure::NotFound; // stands for "opened"
}

TEST(Passwords, EveryProtectedFileOpensWithItsPasswordAndDecodesToAccessPages)
{
    const auto files = filesUnder(kSamples / "encrypted");
    ASSERT_EQ(files.size(), kProtected.size());
    for (const auto& path : files) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        ASSERT_TRUE(kProtected.count(name)) << "a sample without an entry in the table";
        const auto file = PageFile::open(path, passwordOf(name));
        const Header& h = file->header();
        EXPECT_EQ(h.encryption, kProtected.at(name));
        EXPECT_EQ(h.hasPassword, !passwordOf(name).empty());
        EXPECT_EQ(h.officeEncrypted, isAce(h.version));
        EXPECT_EQ(h.databaseKey != 0, h.encryption != Encryption::None);
        std::uint32_t pages = 0;
        for (std::uint32_t n = 1; n < file->pageCount(); ++n) {
            // A page never written is zeros on disk, whatever the encryption, and reads as zeros.
            const bool unused = allZero(file->storedPage(n));
            EXPECT_EQ(allZero(file->page(n)), unused) << "page " << n;
            if (!unused) {
                EXPECT_TRUE(looksLikeAPage(file->page(n))) << "page " << n;
                ++pages;
            }
        }
        EXPECT_GT(pages, 10u);
    }
}

TEST(Passwords, AProtectedFileRefusesAWrongOrMissingPassword)
{
    for (const auto& [name, encryption] : kProtected) {
        const std::string password = passwordOf(name);
        if (password.empty())
            continue;
        SCOPED_TRACE(name);
        std::string otherCase = password;
        otherCase[0] = static_cast<char>(std::isupper(otherCase[0]) ? std::tolower(otherCase[0])
                                                                    : std::toupper(otherCase[0]));
        for (const std::string& wrong :
             {std::string(), std::string("wrong"), password + "x", password.substr(1),
              otherCase == password ? std::string("x") : otherCase}) {
            SCOPED_TRACE("password \"" + wrong + "\"");
            EXPECT_EQ(failureOpening(kSamples / "encrypted" / name, wrong), Failure::WrongPassword);
        }
    }
}

TEST(Passwords, AFileWithoutAPasswordOpensWithAnyPassword)
{
    std::vector<std::filesystem::path> files = filesUnder(kSamples);
    std::erase_if(files, [](const std::filesystem::path& p) {
        const std::string s = p.generic_string();
        return s.find("/sqlcipher") != std::string::npos ||
               (s.find("/encrypted/") != std::string::npos &&
                s.find("/encrypted/none--") == std::string::npos);
    });
    ASSERT_GT(files.size(), 20u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        for (const char* password : {"", "Test123", "anything at all"}) {
            const auto file = PageFile::open(path, password);
            EXPECT_FALSE(file->header().hasPassword);
        }
    }
}

TEST(Passwords, EncodingAPageGivesBackItsStoredBytes)
{
    for (const auto& [name, encryption] : kProtected) {
        SCOPED_TRACE(name);
        const auto path = kSamples / "encrypted" / name;
        const auto file = PageFile::open(path, passwordOf(name));
        const auto bytes = bytesOf(path);
        ASSERT_EQ(bytes.size(), file->pageCount() * file->header().pageSize);
        for (std::uint32_t n = 0; n < file->pageCount(); ++n) {
            const auto stored =
                std::span(bytes).subspan(n * file->header().pageSize, file->header().pageSize);
            const auto encoded = file->encodePage(n, file->page(n));
            ASSERT_TRUE(std::equal(encoded.begin(), encoded.end(), stored.begin(), stored.end()))
                << "page " << n;
            if (n > 0 && encryption != Encryption::None && !allZero(stored)) {
                EXPECT_FALSE(std::equal(stored.begin(), stored.end(), file->page(n).begin())) << "page " << n;
            }
        }
    }
}

} // namespace
