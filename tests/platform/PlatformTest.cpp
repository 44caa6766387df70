// The platform layer answers the same on POSIX and on Windows (these tests run on Linux and, through
// scripts/test-windows, under Wine): files replaced in one step, even while a view of them is open;
// file identity; the error log's append; UTF-8 file names; the Jet 3 code pages.
#include "jet/base/FileReplace.h"
#include "jet/base/JetError.h"
#include "platform/CodePage.h"
#include "platform/ComputerName.h"
#include "platform/FileError.h"
#include "platform/FileIdentity.h"
#include "platform/FileLock.h"
#include "platform/FileSnapshot.h"
#include "platform/Files.h"
#include "platform/LogFile.h"
#include "platform/ReplacementFile.h"
#include "platform/Utf8Path.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace orrin::platform {
namespace {

namespace fs = std::filesystem;

class Platform : public testing::Test {
  protected:
    void SetUp() override
    {
        std::random_device random;
        m_folder = fs::temp_directory_path() / ("orrin-platform-" + std::to_string(random()));
        fs::create_directories(m_folder);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    fs::path write(const std::string& name, const std::string& text)
    {
        const fs::path path = m_folder / pathFromUtf8(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::size_t entries() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }

    fs::path m_folder;
};

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST_F(Platform, ACommittedReplacementTakesThePlaceOfTheFile)
{
    const fs::path target = write("LIC.mdb", "old contents");
    {
        ReplacementFile copy(target, target.string() + ".orrin-");
        copy.write(bytesOf("new "));
        copy.write(bytesOf("contents"));
        EXPECT_EQ(entries(), 2u);
        copy.commit(replaceableMode(target));
    }
    EXPECT_EQ(read(target), "new contents");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(Platform, AReplacementLeftUncommittedLeavesTheFileAndNoCopy)
{
    const fs::path target = write("LIC.mdb", "old contents");
    {
        ReplacementFile copy(target, target.string() + ".orrin-");
        copy.write(bytesOf("half"));
    }
    EXPECT_EQ(read(target), "old contents");
    EXPECT_EQ(entries(), 1u);
}

// Windows refuses to rename over a file that a mapping still holds: the view of the file that the
// reader keeps open during a run must not stand in the way of the commit.
TEST_F(Platform, AFileIsReplacedWhileAViewOfItIsOpen)
{
    const fs::path target = write("LIC.mdb", "old contents");
    const FileSnapshot view(target);
    jet::replaceFile(target, [](jet::FileSink& sink) { sink.write(bytesOf("new contents")); });
    EXPECT_EQ(read(target), "new contents");
    const auto bytes = view.bytes();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old contents");
}

TEST_F(Platform, AReplaceOfAMissingFileSaysWhyAndLeavesNothing)
{
    const fs::path target = m_folder / "missing.mdb";
    try {
        jet::replaceFile(target, [](jet::FileSink&) {});
        FAIL() << "the replace succeeded";
    } catch (const jet::Error& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Cannot write " + target.string() + ": cannot read its permissions: ", 0), 0u)
            << message;
    }
    EXPECT_EQ(entries(), 0u);
}

// The run holds its target by a lock on a byte past its pages from start to commit; Windows refuses
// to rename over a file that any handle holds open, so the lock is let go just before the rename.
TEST_F(Platform, AFileHeldByALockIsReplacedOnceTheLockIsLetGoBeforeTheRename)
{
    const fs::path target = write("LIC.mdb", "old contents");
    auto lock = FileLock::tryLock(target, FileLock::Kind::Exclusive, 0x10000000, 1);
    ASSERT_NE(lock, nullptr);
    bool heldWhileWritten = false;
    jet::replaceFile(
        target,
        [&](jet::FileSink& sink) {
            heldWhileWritten = FileLock::isLockedElsewhere(target, 0x10000000, 1);
            sink.write(bytesOf("new contents"));
        },
        identityOf(target), [&] { lock.reset(); });
    EXPECT_TRUE(heldWhileWritten);
    EXPECT_EQ(read(target), "new contents");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(Platform, AnExclusiveLockKeepsOutASecondOneUntilItIsLetGo)
{
    const fs::path path = write("LIC.ldb", std::string(64, '\0'));
    auto first = FileLock::tryLock(path, FileLock::Kind::Exclusive, 0, 64);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(FileLock::tryLock(path, FileLock::Kind::Exclusive, 0, 64), nullptr);
    EXPECT_EQ(FileLock::tryLock(path, FileLock::Kind::Shared, 32, 1), nullptr);
    EXPECT_TRUE(FileLock::isLockedElsewhere(path, 0, 64 * 255));
    EXPECT_NE(FileLock::tryLock(path, FileLock::Kind::Exclusive, 64, 64), nullptr);
    first.reset();
    EXPECT_FALSE(FileLock::isLockedElsewhere(path, 0, 64 * 255));
    EXPECT_NE(FileLock::tryLock(path, FileLock::Kind::Exclusive, 0, 64), nullptr);
}

TEST_F(Platform, TheIdentityOfAFileFollowsItsSizeAndLastWrite)
{
    const fs::path path = write("LIC.mdb", "12345");
    // Whole seconds, which every system keeps exactly.
    const auto written = std::chrono::time_point_cast<std::chrono::seconds>(fs::last_write_time(path));
    fs::last_write_time(path, written);
    const auto before = identityOf(path);
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(before->size, 5u);
    fs::last_write_time(path, written + std::chrono::seconds(2));
    const auto after = identityOf(path);
    ASSERT_TRUE(after.has_value());
    EXPECT_TRUE(after->sameFile(*before));
    EXPECT_EQ(after->modifiedNanos - before->modifiedNanos, 2000000000);
    EXPECT_FALSE(*after == *before);
}

TEST(PlatformComputer, TheComputerHasAName)
{
    EXPECT_FALSE(computerName().empty());
}

TEST_F(Platform, FileIdentityNamesTheFileWhateverPathReachesIt)
{
    const fs::path a = write("a.mdb", "a");
    const fs::path b = write("b.mdb", "b");
    const fs::path roundabout = m_folder / "." / "sub" / ".." / "a.mdb";
    fs::create_directories(m_folder / "sub");
    const auto identity = identityOf(a);
    ASSERT_TRUE(identity.has_value());
    ASSERT_TRUE(identityOf(roundabout).has_value());
    ASSERT_TRUE(identityOf(b).has_value());
    EXPECT_TRUE(identityOf(roundabout)->sameFile(*identity));
    EXPECT_FALSE(identityOf(b)->sameFile(*identity));
    EXPECT_EQ(identity->size, 1u);
    EXPECT_FALSE(identityOf(m_folder / "missing.mdb").has_value());
}

TEST_F(Platform, EntryKindTellsFilesFoldersAndNothing)
{
    EXPECT_EQ(entryKind(write("a.txt", "a")), EntryKind::Regular);
    EXPECT_EQ(entryKind(m_folder), EntryKind::Other);
    EXPECT_EQ(entryKind(m_folder / "missing.txt"), EntryKind::Missing);
    EXPECT_TRUE(folderWritable(m_folder));
    EXPECT_FALSE(folderWritable(m_folder / "missing"));
}

TEST_F(Platform, TheLogFileIsAppendedToAndRefusesAFolder)
{
    const fs::path log = m_folder / "Error Log.txt";
    appendToLogFile(log, "one\r\n");
    appendToLogFile(log, "two\r\n");
    EXPECT_EQ(read(log), "one\r\ntwo\r\n");
    try {
        appendToLogFile(m_folder, "three\r\n");
        FAIL() << "a folder took the entry";
    } catch (const FileError& error) {
        EXPECT_EQ(error.reason(), "it is not a regular file");
    }
}

TEST_F(Platform, FileNamesInUtf8WithBlanksAndAccentsAreFound)
{
    const std::string name = "Agent Files \xC3\xB1"
                             "and\xC3\xBA \xC3\x9Cn\xC3\xAF"
                             "code.mdb";
    const fs::path path = write(name, "bytes");
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(path.filename().string(), name);
    EXPECT_EQ(read(m_folder / pathFromUtf8(name)), "bytes");
    const FileSnapshot view(path);
    EXPECT_EQ(view.bytes().size(), 5u);
}

struct SingleByteCase {
    const char* name;
    std::uint16_t codePage;
    std::uint8_t byte;
    char32_t character;
};

const SingleByteCase kSingleByteCases[] = {
    {"Cp1252EuroSign", 1252, 0x80, 0x20AC},   {"Cp1252EAcute", 1252, 0xE9, 0x00E9},
    {"Cp1251CyrillicA", 1251, 0xC0, 0x0410},  {"Cp1250LOgonek", 1250, 0xA5, 0x0104},
    {"Cp1253GreekAlpha", 1253, 0xC1, 0x0391}, {"Cp1252RightQuote", 1252, 0x92, 0x2019},
};

class PlatformSingleByte : public testing::TestWithParam<SingleByteCase> {};

TEST_P(PlatformSingleByte, TheCodePageGivesTheCharacter)
{
    const auto table = singleByteUpperHalf(GetParam().codePage);
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(static_cast<std::uint32_t>((*table)[GetParam().byte - 0x80]),
              static_cast<std::uint32_t>(GetParam().character));
}

INSTANTIATE_TEST_SUITE_P(CodePages, PlatformSingleByte, testing::ValuesIn(kSingleByteCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlatformDoubleByte, ShiftJisHiraganaAndAsciiConvert)
{
    const std::uint8_t text[] = {'A', 0x82, 0xA0, 'B'}; // A, HIRAGANA LETTER A, B
    EXPECT_EQ(doubleByteToUtf8(text, 932), std::optional<std::string>("A\xE3\x81\x82"
                                                                      "B"));
}

} // namespace
} // namespace orrin::platform
