#include "filetime.h"

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
    const uint64_t totalSeconds = filetime / kTicksPerSecond;
    const int64_t days = int64_t(totalSeconds / 86400);
    const uint64_t secondOfDay = totalSeconds % 86400;
    // Civil date from a day count (proleptic Gregorian): count the days from 0000-03-01, so
    // that leap days fall at the end of each computed year.
    const int64_t z = days + 584694;  // 0000-03-01 to 1601-01-01
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02u:%02u:%02u", (long long)year,
                  (long long)month, (long long)day, unsigned(secondOfDay / 3600),
                  unsigned(secondOfDay / 60 % 60), unsigned(secondOfDay % 60));
    return text;
}

}  // namespace vexa::cli
