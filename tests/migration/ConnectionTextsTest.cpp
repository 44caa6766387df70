#include "migration/ConnectionTexts.h"

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

TEST(ConnectionTexts, SourceTextHasTheDoubledSeparatorAndThePassword)
{
    EXPECT_EQ(sourceConnectionText("C:\\Zarvo\\Data\\"),
              "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=C:\\Zarvo\\Data\\\\zrv.accdb;"
              "Jet OLEDB:Database Password=%Q7k!Lw2~(&9}R");
}

TEST(ConnectionTexts, TargetText)
{
    EXPECT_EQ(targetConnectionText("C:\\Calvane\\"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Calvane\\\\LIC.mdb;Jet OLEDB:Database "
              "Password=QZMRAKS");
}

TEST(ConnectionTexts, EmptyFolderGivesTheBareFileName)
{
    EXPECT_EQ(targetConnectionText(""),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\\LIC.mdb;Jet OLEDB:Database Password=QZMRAKS");
}

TEST(ConnectionTexts, DaoNameAndConnect)
{
    EXPECT_EQ(targetDaoName("/srv/calvane/"), "/srv/calvane/\\LIC.MDB");
    EXPECT_EQ(targetDaoConnect(), ";pwd=QZMRAKS");
}

TEST(ConnectionTexts, SourcePathForTheLookups)
{
    EXPECT_EQ(sourceDbPath("D:\\Data\\"), "D:\\Data\\\\zrv.accdb");
}

} // namespace
} // namespace orrin::migration
