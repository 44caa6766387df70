#pragma once

#include "calc/DataImport.h"
#include "calc/PolicyFields.h"
#include "calc/PolicyPlan.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "value/Trap.h"

namespace orrin::calc {

// Rebuilds the policy's survival-benefit instalments in SB: deletes the policy's rows through
// database, reopens the plan's plans row through the session's target and adds one saved row per
// instalment of the schedule the plan calls for. Failures go to trap (UpdatePolicySchedule's).
void rebuildSurvivalBenefits(DataImport& module, store::Connection& database, PolicyFields& policy,
                             PolicyPlan& plan, Trap& trap);

} // namespace orrin::calc
