// NewBonus rows kept in memory answer exactly as the query on the engine does, and a policy whose
// number SB cannot hold is not looked for there.

#include "calc/NewBonusRows.h"
#include "calc/SbRowsWritten.h"
#include "calc/ScheduleFixture.h"
#include "store/Statement.h"

#include <cmath>
#include <limits>

namespace orrin::testing {
namespace {

class KeptBonusRowsTest : public ScheduleTest {
  protected:
    void addRate(const Variant& cat, const Variant& yy, const Variant& fromTerm, const Variant& toTerm,
                 const Variant& fromSA, const Variant& toSA, double ad, double jm)
    {
        insertRows(target, targetPassword(), "NewBonus",
                   {{{"BonusCat", cat},
                     {"YY", yy},
                     {"FromTerm", fromTerm},
                     {"ToTerm", toTerm},
                     {"FromSA", fromSA},
                     {"ToSA", toSA},
                     {"BonusAD", Variant(ad)},
                     {"BonusJM", Variant(jm)}}});
    }

    // BonusJM of the first row the engine finds, "none" when none.
    Variant engine(const std::string& cat, std::int32_t year, std::int32_t term, double amount)
    {
        store::Statement& query =
            database.statement("select BonusJM from NewBonus where BonusCat=? and YY=? and (?>=FromTerm and "
                               "?<=ToTerm) and (?>=FromSA and ?<=ToSA) order by rowid");
        query.bind(1, Variant(cat));
        query.bind(2, Variant(year));
        query.bind(3, Variant(term));
        query.bind(4, Variant(term));
        query.bind(5, Variant(amount));
        query.bind(6, Variant(amount));
        const Variant answer = query.step() ? query.column(0) : Variant("none");
        query.reset();
        return answer;
    }
};

TEST_F(KeptBonusRowsTest, answersAsTheEngineDoes)
{
    const Variant i16 = Variant(std::int16_t{2005});
    addRate(Variant("EN"), i16, Variant(std::int16_t{10}), Variant(std::int16_t{20}), Variant(0.0),
            Variant(999.5), 1, 11);
    addRate(Variant("en"), i16, Variant(std::int16_t{10}), Variant(std::int16_t{25}), Variant(0.0),
            Variant(5000.0), 2, 22);
    addRate(Variant("EN"), i16, Variant::null(), Variant(std::int16_t{30}), Variant(0.0), Variant(5000.0), 3,
            33);
    addRate(Variant("EN "), i16, Variant(std::int16_t{0}), Variant(std::int16_t{99}), Variant(0.0),
            Variant(1e9), 4, 44);
    addRate(Variant("WL"), Variant(std::int16_t{2006}), Variant(std::int16_t{0}), Variant(std::int16_t{99}),
            Variant(0.0), Variant(1e9), 5, 55);

    calc::NewBonusRows rows;
    ASSERT_TRUE(rows.load(database));
    EXPECT_TRUE(rows.holds(&database));
    struct Ask {
        const char* cat;
        std::int32_t year;
        std::int32_t term;
        double amount;
    };
    const Ask asks[] = {
        {"EN", 2005, 20, 999.5},
        {"En", 2005, 20, 999.6},
        {"EN", 2005, 25, 5000},
        {"EN", 2005, 26, 10},
        {"EN", 2005, 9, 10},
        {"EN ", 2005, 50, 10},
        {"WL", 2005, 20, 10},
        {"WL", 2006, 0, 0},
        {"EN", 2005, 20, std::nan("")},
        {"EN", 2005, 20, -0.0},
        {"JS", 2005, 20, 10},
        {"EN", 2005, 20, std::numeric_limits<double>::infinity()},
    };
    for (const Ask& ask : asks) {
        const calc::NewBonusRows::Rates* kept = rows.first(ask.cat, ask.year, ask.term, ask.amount);
        EXPECT_TRUE(same(kept != nullptr ? kept->bonusJM : Variant("none"),
                         engine(ask.cat, ask.year, ask.term, ask.amount)))
            << ask.cat << " " << ask.year << " " << ask.term << " " << ask.amount;
    }
}

// Values the engine would compare as text, or whole numbers a double cannot hold, are not kept.
TEST_F(KeptBonusRowsTest, aTableOfOtherValuesIsNotKept)
{
    const std::string inserts[] = {
        "insert into NewBonus (BonusCat, YY, FromTerm, ToTerm, FromSA, ToSA) values ('EN', 'soon', 1, 2, 0, "
        "1)",
        "insert into NewBonus (BonusCat, YY, FromTerm, ToTerm, FromSA, ToSA) values ('EN', 2005, "
        "9007199254740993, 2, 0, 1)",
        "insert into NewBonus (BonusCat, YY, FromTerm, ToTerm, FromSA, ToSA) values (x'454e', 2005, 1, 2, 0, "
        "1)",
    };
    for (const std::string& insert : inserts) {
        database.execute("delete from NewBonus");
        database.execute(insert);
        calc::NewBonusRows rows;
        EXPECT_FALSE(rows.load(database)) << insert;
        EXPECT_FALSE(rows.holds(&database));
    }
    database.execute("drop table NewBonus");
    calc::NewBonusRows rows;
    EXPECT_FALSE(rows.load(database));
}

TEST_F(KeptBonusRowsTest, aPolicyNumberIsLookedForOnlyWhenSbMayHoldIt)
{
    calc::SbRowsWritten written;
    EXPECT_TRUE(written.noneOf(database, "P1"));
    written.note(&database, "Ab-1");
    EXPECT_FALSE(written.noneOf(database, "aB-1")); // the column ignores the case of ASCII letters
    EXPECT_TRUE(written.noneOf(database, "Ab-2"));

    database.execute("insert into SB (policy_no) values ('X')");
    calc::SbRowsWritten afterRows;
    EXPECT_FALSE(afterRows.noneOf(database, "P1")); // SB was not empty: every delete runs

    database.close();
    calc::SbRowsWritten closed;
    EXPECT_FALSE(closed.noneOf(database, "P1"));
}

} // namespace
} // namespace orrin::testing
