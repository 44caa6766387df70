// The disk fills up during the run: the engine gives up the transaction, and the run must leave
// the target file whole on its own, its journal replayed, before it says that nothing changed.
// The agent's folder is a small tmpfs (the tests run as root in CI); where no tmpfs can be mounted
// the test is skipped and says why.

#include "reliability/ImportHarness.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace orrin::reliability {
namespace {

namespace fs = std::filesystem;

// A tmpfs of the given size mounted on a folder for the object's life.
class SmallDisk {
  public:
    SmallDisk(const fs::path& at, std::uintmax_t bytes) : m_at(at)
    {
        const std::string options = "size=" + std::to_string(bytes);
        if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0)
            m_mounted = true;
        else
            m_why = std::strerror(errno);
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_at.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& why() const { return m_why; }

  private:
    fs::path m_at;
    bool m_mounted = false;
    std::string m_why;
};

struct FullDiskCase {
    const char* name;
    std::uintmax_t roomKb; // free room left beside the two databases
};

class ReliabilityDiskFull : public ImportHarness, public ::testing::WithParamInterface<FullDiskCase> {};

// A 20,000-policy agent, whose run spills pages to the file long before it commits.
TEST_P(ReliabilityDiskFull, LeavesTheTargetFileWholeAndSaysWhy)
{
    const fs::path big = scratch() / "big";
    const ProcessResult written = runProgram(sampleProgram(), {"--out", big.string(), "--policies", "20000",
                                                               "--seed", "5", "--format", "sqlcipher"});
    ASSERT_EQ(written.exitCode, 0) << describe(written);
    const std::uintmax_t needed = fs::file_size(big / "LIC.mdb") + fs::file_size(big / "zrv.accdb");

    SmallDisk disk(folder(), needed + GetParam().roomKb * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs on the agent's folder (" << disk.why()
                     << "); the full disk is not tried";
    fs::copy_file(big / "LIC.mdb", target());
    fs::copy_file(big / "zrv.accdb", source());
    takeSnapshot();

    const ProcessResult result = runImport("continue");

    ASSERT_TRUE(endedOnItsOwn(result));
    EXPECT_EQ(result.exitCode, 1) << describe(result);
    EXPECT_NE(result.err.find("orrin-import: abandoned: "), std::string::npos) << describe(result);
    EXPECT_NE(result.err.find("database or disk is full"), std::string::npos) << describe(result);
    EXPECT_NE(result.out.find("rolled back: the target is unchanged"), std::string::npos) << describe(result);
    EXPECT_EQ(folderListing(folder()), "LIC.mdb\nzrv.accdb\n") << "a journal was left beside the target";
    expectTargetFileWholeAsBefore();
    expectSourceUntouched();
}

const FullDiskCase kFullDiskCases[] = {
    {"FullSoonAfterTheStart", 64},
    {"FullHalfWay", 352},
};

INSTANTIATE_TEST_SUITE_P(Room, ReliabilityDiskFull, ::testing::ValuesIn(kFullDiskCases),
                         [](const ::testing::TestParamInfo<FullDiskCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace orrin::reliability
