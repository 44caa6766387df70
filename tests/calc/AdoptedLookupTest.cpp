// The Orrin lookups reading through a connection that the run lends them, instead of opening the
// source a second time.

#include "calc/ScheduleFixture.h"

namespace orrin::testing {
namespace {

class AdoptedLookupTest : public ScheduleTest {
  protected:
    void SetUp() override
    {
        ScheduleTest::SetUp();
        std::filesystem::create_directories(dir.path() / "orrin");
        std::filesystem::create_directories(dir.path() / "lent");
        source = createSourceDb(dir.path() / "orrin");
        lentFile = createSourceDb(dir.path() / "lent");
        dbPath = (dir.path() / "orrin").string() + "/\\zrv.accdb";
        insertRows(source, sourcePassword(), "Client2",
                   {{{"familycode", Variant("F1")},
                     {"perscode", Variant(std::int32_t{1})},
                     {"Spouse", Variant("Asha")}}});
        // The lent connection is on a file of its own here, so that the answers show which one was read.
        insertRows(lentFile, sourcePassword(), "Client2",
                   {{{"familycode", Variant("F1")},
                     {"perscode", Variant(std::int32_t{1})},
                     {"Spouse", Variant("Lent")}}});
        lent.openFile(lentFile, sourcePassword(), store::OpenMode::ReadOnly);
    }

    Variant spouse(const std::string& path)
    {
        return module.OrrinDFirstForPerson("Spouse", "Client2", path, Variant("F1"),
                                           Variant(std::int32_t{1}));
    }

    std::filesystem::path source;
    std::filesystem::path lentFile;
    std::string dbPath;
    store::Connection lent;
};

TEST_F(AdoptedLookupTest, lookupsReadThroughTheLentConnectionWhileItIsOpen)
{
    EXPECT_TRUE(same(spouse(dbPath), Variant("Asha")));
    module.session().connections().closeLookups();

    module.session().connections().adopt(calc::DataImport::orrinDatabase(dbPath), lent);
    EXPECT_TRUE(same(spouse(dbPath), Variant("Lent")));
    // Only the lookups on that path: another spelling of the path opens its own connection.
    EXPECT_TRUE(same(spouse((dir.path() / "orrin" / "zrv.accdb").string()), Variant("Asha")));

    module.session().connections().release(lent);
    EXPECT_TRUE(same(spouse(dbPath), Variant("Asha")));
    EXPECT_TRUE(lent.isOpen()); // never closed by the lookups
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(AdoptedLookupTest, aLentConnectionThatIsClosedIsPassedOver)
{
    module.session().connections().adopt(calc::DataImport::orrinDatabase(dbPath), lent);
    lent.close();
    EXPECT_TRUE(same(spouse(dbPath), Variant("Asha")));
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

TEST_F(AdoptedLookupTest, closingTheLookupConnectionsEndsTheLoanWithoutClosingIt)
{
    module.session().connections().adopt(calc::DataImport::orrinDatabase(dbPath), lent);
    EXPECT_TRUE(same(spouse(dbPath), Variant("Lent")));
    module.session().connections().closeLookups();
    EXPECT_TRUE(lent.isOpen());
    EXPECT_TRUE(same(spouse(dbPath), Variant("Asha")));
}

} // namespace
} // namespace orrin::testing
