// FILETIME values (100 ns ticks since 1601-01-01 UTC) and their conversions.
#pragma once

#include <cstdint>
#include <string>

namespace vexa::cli {

// Ticks between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

// Seconds and nanoseconds since 1970 to FILETIME; times before 1601 become 0.
uint64_t FiletimeFromUnix(int64_t seconds, uint32_t nanoseconds);

// FILETIME to seconds and nanoseconds since 1970.
void UnixFromFiletime(uint64_t filetime, int64_t& seconds, uint32_t& nanoseconds);

// "YYYY-MM-DD HH:MM:SS" in UTC.
std::string FormatFiletime(uint64_t filetime);

}  // namespace vexa::cli
