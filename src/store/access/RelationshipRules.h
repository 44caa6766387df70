#pragma once

// A relationship with enforced integrity as the memory tables keep it: triggers that refuse a
// child row whose parent is missing ("You cannot add or change a record because a related record
// is required in table 'P'."), refuse deleting or re-keying a parent that has children ("The
// record cannot be deleted or changed because table 'C' includes related records.") or, where the
// relationship cascades, delete or re-key the children with it. A child whose key has a Null in it
// needs no parent. Keys compare as the memory tables compare them (text without regard to case).
// The refusals come after the row's own checks (Required, uniqueness), as the engine's do.

#include "jet/table/Database.h"

#include <string>
#include <vector>

namespace orrin::store::access {

// The CREATE TRIGGER statements for relationship, whose two tables are both in the memory
// database; none when it is not enforced or names no columns.
std::vector<std::string> relationshipTriggers(const jet::Relationship& relationship);

} // namespace orrin::store::access
