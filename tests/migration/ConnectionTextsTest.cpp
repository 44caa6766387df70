#include "migration/ConnectionTexts.h"

#include <gtest/gtest.h>

namespace orrin::migration {
namespace {

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

TEST(ConnectionTexts, DaoConnect)
{
    EXPECT_EQ(targetDaoConnect(), ";pwd=QZMRAKS");
}

} // namespace
} // namespace orrin::migration
