#pragma once

#include "migration/FieldMapping.h"

namespace orrin::migration {

// The mapping table of every row the run writes, in the order in which the fields are set.

// The agent step: one Login and one Times row from the first agent, one AgMast row per agent.
const MappingTable& loginMapping();
const MappingTable& timesMapping();
const MappingTable& agMastMapping();

// The location step: the extra first row, then one row per source location.
const MappingTable& noLocationMapping();
const MappingTable& locMastMapping();

const MappingTable& brnMastMapping();
const MappingTable& companyMapping();
const MappingTable& familyMapping();
const MappingTable& clientMapping();
const MappingTable& policiesMapping();

} // namespace orrin::migration
