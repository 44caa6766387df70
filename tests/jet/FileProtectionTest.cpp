#include "jet/pager/FileProtection.h"
#include "jet/base/JetError.h"
#include "jet/crypto/AgileEncryption.h"
#include "jet/pager/PageFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace orrin::jet;

namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

// A folder of its own for each test, removed afterwards.
class TempFolder {
  public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orrin-jet-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

// Writes a copy of the template under the new protection, as a writer would: plain pages in,
// each encoded by the new codec.
void writeProtectedCopy(const PageFile& source, ProtectedStart& start, const std::filesystem::path& out)
{
    std::ofstream file(out, std::ios::binary);
    for (std::uint32_t n = 0; n < source.pageCount(); ++n) {
        const auto plain = n == 0 ? std::span<const std::uint8_t>(start.firstPage) : source.page(n);
        std::vector<std::uint8_t> page(plain.begin(), plain.end());
        start.codec->encode(n, page);
        file.write(reinterpret_cast<const char*>(page.data()), static_cast<std::streamsize>(page.size()));
    }
}

Failure failureOpening(const std::filesystem::path& path, const std::string& password)
{
    try {
        PageFile::open(path, password);
    } catch (const Error& e) {
        return e.failure();
    }
    return Failure::NotFound; // stands for "opened"
}

TEST(FileProtection, AProtectedCopyOpensWithItsPasswordOnlyAndKeepsEveryPage)
{
    struct Case {
        const char* file;
        const char* password;
        Encryption encryption;
    };
    const Case cases[] = {
        {"templates/empty-ace-2007.accdb", "Geheim-ä1", Encryption::OfficeAgile},
        {"templates/empty-ace-2010.accdb", "QZMRAKS", Encryption::OfficeAgile},
        {"templates/empty-jet4-2000.mdb", "Geheim-ä1", Encryption::None},
        {"templates/empty-jet4-2003.mdb", "twenty-characters-20", Encryption::None},
        {"jet3/types-1997.mdb", "Geheim-ä1", Encryption::None},
        {"encrypted/none--jet4-rc4-encoded.mdb", "QZMRAKS", Encryption::JetRc4},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto source = PageFile::open(kSamples / c.file, "");
        auto start = protectNewFile(source->page(0), c.password, c.file);
        const auto copy = folder.path() / std::filesystem::path(c.file).filename();
        writeProtectedCopy(*source, start, copy);

        const auto file = PageFile::open(copy, c.password);
        EXPECT_TRUE(file->header().hasPassword);
        EXPECT_EQ(file->header().encryption, c.encryption);
        EXPECT_EQ(file->header().version, source->header().version);
        ASSERT_EQ(file->pageCount(), source->pageCount());
        const auto first = file->page(0);
        EXPECT_TRUE(std::equal(first.begin(), first.end(), start.firstPage.begin(), start.firstPage.end()));
        for (std::uint32_t n = 1; n < file->pageCount(); ++n) {
            const auto a = file->page(n);
            const auto b = source->page(n);
            ASSERT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << "page " << n;
        }
        const std::string password = c.password;
        for (const std::string& wrong :
             {std::string(), password.substr(0, password.size() - 1), password + " "})
            EXPECT_EQ(failureOpening(copy, wrong), Failure::WrongPassword) << "\"" << wrong << "\"";
    }
}

// An agile file's password hash is spun once per password in a process: the second open of the
// same file with the same password, right or wrong, does not spin again; an empty one never spins.
TEST(FileProtection, AnAgileFileSpinsEachPasswordOnce)
{
    TempFolder folder;
    const auto source = PageFile::open(kSamples / "templates/empty-ace-2010.accdb", "");
    auto start = protectNewFile(source->page(0), "QZMRAKS", "new"); // a salt of its own
    const auto copy = folder.path() / "new.accdb";
    writeProtectedCopy(*source, start, copy);

    struct Open {
        const char* password;
        Failure failure; // NotFound: it opened
        std::uint64_t spun;
    };
    const Open opens[] = {
        {"QZMRAKS", Failure::NotFound, 1},      {"QZMRAKS", Failure::NotFound, 0},
        {"qzmraks", Failure::WrongPassword, 1}, {"qzmraks", Failure::WrongPassword, 0},
        {"", Failure::WrongPassword, 0},        {"QZMRAKS", Failure::NotFound, 0},
    };
    for (const Open& open : opens) {
        SCOPED_TRACE(std::string("\"") + open.password + "\"");
        const std::uint64_t before = AgileCipher::passwordHashesSpun();
        EXPECT_EQ(failureOpening(copy, open.password), open.failure);
        EXPECT_EQ(AgileCipher::passwordHashesSpun() - before, open.spun);
    }
}

TEST(FileProtection, EachNewEncryptionHasItsOwnKeyAndSalt)
{
    const auto source = PageFile::open(kSamples / "templates/empty-ace-2010.accdb", "");
    const auto a = protectNewFile(source->page(0), "same", "a");
    const auto b = protectNewFile(source->page(0), "same", "b");
    EXPECT_NE(a.firstPage, b.firstPage);
    std::vector<std::uint8_t> pageA(source->page(1).begin(), source->page(1).end());
    std::vector<std::uint8_t> pageB = pageA;
    a.codec->encode(1, pageA);
    b.codec->encode(1, pageB);
    EXPECT_NE(pageA, pageB);
}

TEST(FileProtection, RefusesWhatItCannotProtect)
{
    const auto ace = PageFile::open(kSamples / "encrypted/password--ace-agile-4.4.accdb", "password");
    const auto jet = PageFile::open(kSamples / "templates/empty-jet4-2003.mdb", "");
    const std::vector<std::uint8_t> zeros(4096, 0);
    struct Case {
        const char* name;
        std::span<const std::uint8_t> page;
        const char* password;
    };
    const Case cases[] = {
        {"an encrypted .accdb", ace->page(0), "new"},
        {"a Jet 4 password of 21 characters", jet->page(0), "twenty-one-characters"},
        {"a page of zeros", zeros, "new"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            protectNewFile(c.page, c.password, c.name);
            ADD_FAILURE() << "protected";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::Unsupported);
        }
    }
}

} // namespace
