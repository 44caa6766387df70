#pragma once

#include "value/Clock.h"

#include <optional>
#include <string>

namespace orrin::migration {

// The text the progress tick puts in the window caption, from the start time (seconds since local
// midnight, 0 before the first start click), the clock and the policies transferred so far. Below
// 60 seconds: "12 second(s) elapsed   (Policies Transferred : 34)"; from the 60th second on whole
// minutes, rounded half to even first: "3 minute(s) (Policies Transferred : 120)". No text (the
// caption stays) while StartTime is 0. The clock is read twice, as the tick does: once to choose
// seconds or minutes, once for the figure; a run over midnight gives negative seconds.
std::optional<std::string> progressCaption(double StartTime, Clock& clock, double PoliciesTransferred);

} // namespace orrin::migration
