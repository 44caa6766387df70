#pragma once

#include "store/Connection.h"
#include "value/Variant.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::calc {

// The policy's live plan row, "select * from plans where plan=<Plan> and pflag <>'D'", read into
// memory when it is opened: the exact number of matching rows and the first row's fields with their
// declared types. The handle may be unset (never opened, a failed open, released): every use of an
// unset handle fails with 91, as an object variable that is Nothing does, so a plan query that failed
// makes each later use of the plan row fail and be logged in turn.
class PlanRowCache;

class PlanRow {
  public:
    // What the plan query read: the exact number of matching rows and the first row's fields.
    struct Rows {
        std::int64_t count = 0;
        std::vector<std::string> names;
        std::vector<Variant> first;
    };

    // Runs the plan query on database. The plan goes in only as a number: a Null plan, or one whose
    // text does not read as a number, fails like the malformed query text would, and the handle
    // keeps what it held. With kept, a plan already read through it on the same database is not
    // read again, and a plan read now is added to it.
    void open(store::Connection* database, const Variant& Plan, PlanRowCache* kept = nullptr);
    // Opens the handle again for the same plan after close() and release(). The rows the last open
    // read stand for the query while it is the same database, still open and its transaction kept
    // (the caller writes no plans in between); otherwise the query runs again, and fails as it would.
    void reopen(store::Connection* database, const Variant& Plan, PlanRowCache* kept = nullptr);
    std::int64_t recordCount() const;
    // A field of the first row, by name without regard to case.
    Variant field(std::string_view name) const;
    void close();
    void release() { m_rows.reset(); }

  private:
    const Rows& require() const;

    std::shared_ptr<const Rows> m_rows; // unset: never opened, failed to open, or released
    bool m_open = false;
    // What the last successful open read, and on which database; release() keeps it for reopen().
    std::shared_ptr<const Rows> m_read;
    const store::Connection* m_readOn = nullptr;
};

// Plan rows already read, by plan number, for a caller that knows the plans table cannot change while
// it keeps them: the migration run, which holds the target's write lock and never writes plans. The
// rows belong to one database; rows asked for on another one are read afresh (and replace these).
class PlanRowCache {
  public:
    std::shared_ptr<const PlanRow::Rows> find(const store::Connection* database, double plan) const;
    void keep(const store::Connection* database, double plan, std::shared_ptr<const PlanRow::Rows> rows);
    void clear();

  private:
    const store::Connection* m_database = nullptr;
    std::map<double, std::shared_ptr<const PlanRow::Rows>> m_rows;
};

} // namespace orrin::calc
