#pragma once

#include <ctime>

namespace orrin::platform {

// The local calendar time of seconds, by the system's time zone rules; false when it cannot be read.
inline bool localTime(std::time_t seconds, std::tm& local)
{
#ifdef _WIN32
    return localtime_s(&local, &seconds) == 0;
#else
    return localtime_r(&seconds, &local) != nullptr;
#endif
}

} // namespace orrin::platform
