#include "migration/ProgressCaption.h"

#include "value/Conversions.h"

#include <cmath>

namespace orrin::migration {

std::optional<std::string> progressCaption(double StartTime, Clock& clock, double PoliciesTransferred)
{
    if (StartTime == 0) {
        return std::nullopt;
    }
    const double firstElapsed = static_cast<double>(clock.secondsSinceMidnight()) - StartTime;
    if (std::trunc(firstElapsed) < 60) {
        const double seconds = std::trunc(static_cast<double>(clock.secondsSinceMidnight()) - StartTime);
        return formatNumber(seconds) + " second(s) elapsed" +
               "   (Policies Transferred : " + formatNumber(PoliciesTransferred) + ")";
    }
    const std::int32_t elapsed =
        toLong(Variant(static_cast<double>(clock.secondsSinceMidnight()) - StartTime));
    const std::int32_t minutes = elapsed / 60;
    return formatNumber(minutes) + " minute(s) (Policies Transferred : " + formatNumber(PoliciesTransferred) +
           ")";
}

} // namespace orrin::migration
