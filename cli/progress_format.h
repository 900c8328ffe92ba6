// Text pieces of the progress display: sizes, durations and the bar line.
#pragma once

#include <cstdint>
#include <string>

namespace vexa::cli {

// "512 B", "1.5 KiB", "12.3 MiB", "2.0 GiB".
std::string FormatBytes(uint64_t bytes);

// "0:07", "12:34", "1:02:03"; "--:--" for a negative or unknown duration.
std::string FormatDuration(double seconds);

// One line: bar, percentage, bytes done of total, rate and estimated time left, then as much
// of `name` as fits in `width` columns.
std::string RenderProgressLine(uint64_t done, uint64_t total, double elapsedSeconds,
                               const std::string& name, size_t width);

}  // namespace vexa::cli
