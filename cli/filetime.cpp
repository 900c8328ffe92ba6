#include "filetime.h"

#include <chrono>
#include <cstdio>

namespace vexa::cli {

uint64_t FiletimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
    constexpr int64_t kEpochSeconds = int64_t(kUnixEpochTicks / kTicksPerSecond);
    if (seconds < -kEpochSeconds) return 0;
    const uint64_t sinceEpoch = uint64_t(seconds + kEpochSeconds);
    if (sinceEpoch > (UINT64_MAX - 9999999) / kTicksPerSecond) return UINT64_MAX;
    return sinceEpoch * kTicksPerSecond + nanoseconds / 100;
}

void UnixFromFiletime(uint64_t filetime, int64_t& seconds, uint32_t& nanoseconds) {
    const uint64_t wholeSeconds = filetime / kTicksPerSecond;
    seconds = int64_t(wholeSeconds) - int64_t(kUnixEpochTicks / kTicksPerSecond);
    nanoseconds = uint32_t(filetime % kTicksPerSecond) * 100;
}

std::string FormatFiletime(uint64_t filetime) {
    using namespace std::chrono;
    // The calendar repeats every 400 years (146,097 days). Whole cycles are counted apart, so
    // that every FILETIME (up to the year 60056) stays inside the years std::chrono knows.
    constexpr int64_t kDaysPer400Years = 146097;
    const uint64_t totalSeconds = filetime / kTicksPerSecond;
    const int64_t dayCount = int64_t(totalSeconds / 86400);
    const int64_t cycles = dayCount / kDaysPer400Years;
    const year_month_day date{sys_days{year{1601} / January / 1} +
                              days{dayCount % kDaysPer400Years}};
    const hh_mm_ss time{seconds{totalSeconds % 86400}};
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  (long long)(int(date.year()) + 400 * cycles), unsigned(date.month()),
                  unsigned(date.day()), (long long)time.hours().count(),
                  (long long)time.minutes().count(), (long long)time.seconds().count());
    return text;
}

}  // namespace vexa::cli
