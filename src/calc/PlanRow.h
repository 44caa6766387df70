#pragma once

#include "store/Connection.h"
#include "value/Variant.h"

#include <cstdint>
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
class PlanRow {
  public:
    // Runs the plan query on database. The plan goes in only as a number: a Null plan, or one whose
    // text does not read as a number, fails like the malformed query text would, and the handle
    // keeps what it held.
    void open(store::Connection* database, const Variant& Plan);
    std::int64_t recordCount() const;
    // A field of the first row, by name without regard to case.
    Variant field(std::string_view name) const;
    void close();
    void release() { m_data.reset(); }

  private:
    struct Data {
        bool open = true;
        std::int64_t count = 0;
        std::vector<std::string> names;
        std::vector<Variant> first;
    };
    const Data& require() const;

    std::optional<Data> m_data;
};

} // namespace orrin::calc
