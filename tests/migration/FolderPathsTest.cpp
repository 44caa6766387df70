#include "migration/FolderPaths.h"

#include <gtest/gtest.h>

namespace orrin::migration {
namespace {

struct FolderCase {
    const char* path;
    const char* folder;
};

class FolderOf : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderOf, KeepsEverythingUpToTheLastSeparator)
{
    EXPECT_EQ(folderOf(GetParam().path), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderOf,
                         ::testing::Values(FolderCase{"C:\\Zarvo\\Data\\zrv.accdb", "C:\\Zarvo\\Data\\"},
                                           FolderCase{"/home/agent/data/zrv.accdb", "/home/agent/data/"},
                                           FolderCase{"/home/agent\\data/other.accdb", "/home/agent\\data/"},
                                           FolderCase{"D:\\Data\\", "D:\\Data\\"},
                                           FolderCase{"zrv.accdb", ""}, FolderCase{"", ""}));

TEST(FolderPaths, FilesOfAFolderKeepTheDoubledSeparator)
{
    EXPECT_EQ(sourceDbPath("D:\\Data\\"), "D:\\Data\\\\zrv.accdb");
    EXPECT_EQ(targetDbPath("C:\\Calvane\\"), "C:\\Calvane\\\\LIC.mdb");
    EXPECT_EQ(targetDaoName("/srv/calvane/"), "/srv/calvane/\\LIC.MDB");
    EXPECT_EQ(targetDbPath(""), "\\LIC.mdb");
}

} // namespace
} // namespace orrin::migration
