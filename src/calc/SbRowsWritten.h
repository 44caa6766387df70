#pragma once

#include "store/Connection.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace orrin::calc {

// Which policy numbers may have rows in SB, for a caller that is the only writer of SB while it keeps
// this (the run's policy step, which emptied SB before it began). Deleting a policy's rows before
// writing its schedule can then be left out when SB holds none of them: the delete would change
// nothing. The numbers are compared as the SB column compares them (the case of ASCII letters
// ignored). A number noted is only a "may": noting more than was written is always safe.
class SbRowsWritten {
  public:
    // True when SB of database certainly holds no row whose policy_no equals number. The first call
    // for a database looks whether SB is empty; a table that was not empty then, a database that is
    // closed or whose transaction is lost, or a failure to look, answers false (the delete runs).
    bool noneOf(store::Connection& database, std::string_view number);
    // Rows for number may now be in SB of database.
    void note(const store::Connection* database, std::string_view number);
    void clear();

  private:
    static std::string folded(std::string_view number);

    const store::Connection* m_database = nullptr; // the database the numbers are of
    bool m_known = false;                          // SB was empty when first looked at
    std::unordered_set<std::string> m_numbers;
};

} // namespace orrin::calc
