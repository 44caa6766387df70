#pragma once

#include "calc/DataImport.h"
#include "store/Connection.h"
#include "support/Fixture.h"

#include <filesystem>
#include <memory>
#include <string>

namespace orrin::testing {

// Reference bonus tables of an insurer, as the tests know them by heart (rates per 1000 of sum
// assured; AD = start April to December, JM = start January to March):
//
// NewBonus
//   EN   2003  terms 1-14   any sum           AD 42  JM 40
//   EN   2003  terms 15-35  any sum           AD 48  JM 46
//   EN   2004  terms 1-14   any sum           AD 43  JM 41
//   EN   2004  terms 15-35  sums 0-49999      AD 45  JM 44
//   EN   2004  terms 15-35  sums 50000 up     AD 49  JM 47
//   EN   2005  terms 1-14   any sum           AD 0   JM 0    (nothing declared yet)
//   EN   2005  terms 15-35  any sum           AD 50  JM 48
//   WL   2004 / 2005  terms 1-99              AD 60 / 62   JM 58 / 60
//   JMJS 2004 / 2005                          AD 44 / 45   JM 42 / 43
//   MB   2004 / 2005                          AD 0  / 40   JM 38 / 39   (2004: AD falls back to JM)
//   JS   2004 / 2005                          AD 35 / 36   JM 34 / 35
//   JDJS 2004 / 2005                          AD 47 / 48   JM 45 / 46
//   JA   2004 / 2005                          AD 52 / 53   JM 50 / 51
//   JR   2004  terms 1-15  AD 30 JM 28;  terms 16-99  AD 60 JM 55
//   JR   2005  terms 1-15  AD 31 JM 29;  terms 16-99  AD 61 JM 56
//   ("any sum" is 0 to 1e12.) So every category's first year is 2004 (EN: 2003) and last year 2005.
//
// FINALBONUS (only from 15 years)
//   terms 15-19  sums 0-199999     FAB 15
//   terms 15-19  sums 200000 up    FAB 20
//   terms 20-24  any sum           FAB 30
//   terms 25-35  any sum           FAB 45
void insertBonusTables(const std::filesystem::path& file);

// A target database and a bonus database holding the tables above, made once per test program (they
// are only read), and per test a fresh DataImport whose log goes to the test's own folder and whose
// The session's target is an open connection on the target database.
class BonusWorld {
  public:
    BonusWorld();
    ~BonusWorld();

    static const std::filesystem::path& targetDb();
    static const std::filesystem::path& bonusDb();

    calc::DataImport& calc() { return m_calc; }
    store::Connection& target() { return m_target; }
    const std::filesystem::path& logFile() const { return m_logFile; }
    // How many log entries name this label on their Err.Source line.
    int entriesUnder(const std::string& label) const;
    std::string logText() const;

  private:
    TempDir m_dir;
    std::filesystem::path m_logFile;
    store::Connection m_target;
    calc::DataImport m_calc;
};

} // namespace orrin::testing
