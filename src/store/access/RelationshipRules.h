#pragma once

// A relationship with enforced integrity as the memory tables keep it: triggers that refuse a
// child row whose parent is missing ("You cannot add or change a record because a related record
// is required in table 'P'."), refuse deleting or re-keying a parent that has children ("The
// record cannot be deleted or changed because table 'C' includes related records.") or, where the
// relationship cascades, delete or re-key the children with it. A child whose key has a Null in it
// needs no parent. Keys compare as the parent's unique index sorts them (through the memory
// database's access_key() function), so that 'Émile' finds its parent 'ÉMILE' and 'æon' finds
// 'aeon', as the engine finds them through that index; without such an index, as the memory tables
// compare them (text without regard to ASCII case). The refusals come after the row's own checks
// (Required, uniqueness), as the engine's do.

#include "jet/table/Database.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orrin::store::access {

// The parent's unique index over the relationship's referenced columns: the number access_key()
// knows it by, and for each of its columns in the index's order, which pair of the relationship's
// columns it holds.
struct ParentKey {
    std::size_t number = 0;
    std::vector<std::size_t> pairs;
};

// The CREATE TRIGGER statements for relationship, whose two tables are both in the memory
// database; none when it is not enforced or names no columns. Keys compare through parentKey when
// given, and then an index on the child's keys in that order comes first.
std::vector<std::string> relationshipTriggers(const jet::Relationship& relationship,
                                              const std::optional<ParentKey>& parentKey = std::nullopt);

} // namespace orrin::store::access
