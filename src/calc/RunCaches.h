#pragma once

#include "calc/NewBonusRows.h"
#include "calc/PlanRow.h"
#include "calc/PolicyFields.h"
#include "calc/SbRowsWritten.h"
#include "store/Connection.h"
#include "store/DatabaseLocation.h"
#include "value/Variant.h"

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

namespace orrin::calc {

// What the calculations keep from one policy to the next while a session lives: the bonus
// database's answers, the policy fields' positions and, while reference rows are kept, the plan rows,
// the bonus-rate rows and the policy numbers written to SB.
class RunCaches {
  public:
    // While on, the plan rows, the bonus-rate rows and the policy numbers written to SB are kept
    // from one policy to the next: only for a caller that knows plans, NewBonus and SB have no other
    // writer meanwhile (the run's policy step). Turning it off forgets them.
    void keepReferenceRows(bool keep);

    // DFirst2's answers on the bonus database at location (row count, first column of the first
    // row), by query text: the bonus database is never written during a run. The caller keeps no
    // failed lookup.
    std::unordered_map<std::string, std::pair<std::int64_t, Variant>>&
    bonusAnswers(const store::DatabaseLocation& location)
    {
        return m_bonusAnswers[location];
    }
    PlanRowCache* keptPlanRows() { return m_keep ? &m_planRows : nullptr; }
    // The bonus-rate rows of target, read on the first call for that database; nullptr while rows
    // are not kept, when target is not usable, or when its table could not be kept (not tried again
    // on the same database: its lookups then run on the engine).
    const NewBonusRows* keptBonusRows(store::Connection* target);
    SbRowsWritten* sbRowsWritten() { return m_keep ? &m_sbRows : nullptr; }
    PolicyFields::Positions& policyPositions() { return m_policyPositions; }

  private:
    std::map<store::DatabaseLocation, std::unordered_map<std::string, std::pair<std::int64_t, Variant>>>
        m_bonusAnswers;
    bool m_keep = false;
    PlanRowCache m_planRows;
    NewBonusRows m_bonusRows;
    const store::Connection* m_bonusRowsTried = nullptr;
    SbRowsWritten m_sbRows;
    PolicyFields::Positions m_policyPositions;
};

} // namespace orrin::calc
