#pragma once

#include "sample/SqlFile.h"

#include <cstdint>

namespace orrin::sample {

// The reference tables every Calvane database carries: plans, NewBonus and FINALBONUS.
void writePlans(SqlFile& file);
void writeBonusTables(SqlFile& file);

// A few rows of an earlier import in the tables a run clears and refills (and the Times row it
// never clears), so that a sample target looks like one that has been used.
void writeStaleRows(SqlFile& file, std::uint64_t seed);

} // namespace orrin::sample
