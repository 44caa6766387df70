#pragma once

#include "store/Connection.h"
#include "value/Variant.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::calc {

// The rows of the bonus-rate table NewBonus read once, for a caller that knows the table cannot
// change while it keeps them (the run's policy step: the run never writes NewBonus). NewBonus's
// query is answered from them exactly as the engine answers it: the category compared without regard
// to the case of ASCII letters, the year, the term and the sum assured compared as numbers, a Null
// never matching, the first matching row in the store's order. A table holding values the engine
// would compare in other ways (text or blobs in a numeric column, whole numbers beyond 2^53) is not
// kept, so its lookups keep running on the engine.
class NewBonusRows {
  public:
    struct Rates {
        Variant bonusAD; // as the query reads the column (its declared type)
        Variant bonusJM;
    };

    // Reads the table through database, replacing what was kept. False (nothing kept) when the table
    // cannot be read or holds values of the other kinds above.
    bool load(store::Connection& database);
    // Whether rows of database are kept.
    bool holds(const store::Connection* database) const
    {
        return m_database != nullptr && m_database == database;
    }
    void clear();

    // The first row of the category and year whose term range holds term and whose sum range holds
    // amount (both ends inclusive); nullptr when none does.
    const Rates* first(std::string_view category, std::int32_t year, std::int32_t term, double amount) const;

  private:
    struct Row {
        double fromTerm;
        double toTerm;
        double fromSA;
        double toSA;
        Rates rates;
    };

    const store::Connection* m_database = nullptr;
    // By category (ASCII letters lowered) and year, in the store's order.
    std::map<std::pair<std::string, double>, std::vector<Row>> m_rows;
};

} // namespace orrin::calc
