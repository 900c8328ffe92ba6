#include "progress_format.h"

#include <cmath>
#include <cstdio>

namespace vexa::cli {

std::string FormatBytes(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = double(bytes) / 1024;
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string FormatDuration(double seconds) {
    if (!(seconds >= 0) || seconds > 359999999.0) return "--:--";
    const uint64_t whole = uint64_t(std::llround(seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02u:%02u", (unsigned long long)(whole / 3600),
                      unsigned(whole / 60 % 60), unsigned(whole % 60));
    else
        std::snprintf(text, sizeof text, "%u:%02u", unsigned(whole / 60), unsigned(whole % 60));
    return text;
}

std::string RenderProgressLine(uint64_t done, uint64_t total, double elapsedSeconds,
                               const std::string& name, size_t width) {
    constexpr int kBarCells = 20;
    if (done > total) done = total;
    const double fraction = total == 0 ? 1.0 : double(done) / double(total);
    const int filled = int(fraction * kBarCells);
    std::string line = "[";
    line.append(size_t(filled), '#');
    line.append(size_t(kBarCells - filled), '.');
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %3d%% ", int(fraction * 100));
    line += percent;
    line += FormatBytes(done) + "/" + FormatBytes(total);
    const double rate = elapsedSeconds > 0 ? double(done) / elapsedSeconds : 0;
    if (rate > 0) {
        line += "  " + FormatBytes(uint64_t(rate)) + "/s";
        line += "  ETA " + FormatDuration(double(total - done) / rate);
    } else {
        line += "  ETA --:--";
    }
    if (!name.empty() && line.size() + 2 < width) {
        line += "  ";
        const size_t room = width - line.size();
        if (name.size() <= room)
            line += name;
        else if (room > 3)
            line += "..." + name.substr(name.size() - (room - 3));
    }
    return line.substr(0, width);
}

}  // namespace vexa::cli
