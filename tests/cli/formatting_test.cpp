// Text the tool shows: dates, sizes, durations, the progress line and list columns.
#include <gtest/gtest.h>

#include "filetime.h"
#include "listing.h"
#include "progress_format.h"

namespace vexa::cli {
namespace {

TEST(Filetime, FormatsKnownInstants) {
    struct Case {
        uint64_t filetime;
        const char* text;
    };
    const Case cases[] = {
        {0, "1601-01-01 00:00:00"},
        {kUnixEpochTicks, "1970-01-01 00:00:00"},
        {kUnixEpochTicks + 951827696ull * kTicksPerSecond, "2000-02-29 12:34:56"},
        {kUnixEpochTicks + 1735689599ull * kTicksPerSecond + 9999999, "2024-12-31 23:59:59"},
        {kUnixEpochTicks + 4107542400ull * kTicksPerSecond, "2100-03-01 00:00:00"},
        {UINT64_MAX, "60056-05-28 05:36:10"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatFiletime(c.filetime), c.text) << c.filetime;
}

TEST(Filetime, ConvertsBothWaysAndClampsBefore1601) {
    const uint64_t t = FiletimeFromUnix(1700000000, 123456789);
    EXPECT_EQ(t, kUnixEpochTicks + 1700000000ull * kTicksPerSecond + 1234567);
    int64_t seconds;
    uint32_t nanoseconds;
    UnixFromFiletime(t, seconds, nanoseconds);
    EXPECT_EQ(seconds, 1700000000);
    EXPECT_EQ(nanoseconds, 123456700u);
    UnixFromFiletime(0, seconds, nanoseconds);
    EXPECT_EQ(seconds, -11644473600);
    EXPECT_EQ(FiletimeFromUnix(-11644473601, 0), 0u);
    EXPECT_EQ(FiletimeFromUnix(-11644473600, 500), 5u);
}

TEST(ProgressFormat, SizesAndDurations) {
    EXPECT_EQ(FormatBytes(0), "0 B");
    EXPECT_EQ(FormatBytes(1023), "1023 B");
    EXPECT_EQ(FormatBytes(1536), "1.5 KiB");
    EXPECT_EQ(FormatBytes(5u << 20), "5.0 MiB");
    EXPECT_EQ(FormatBytes(UINT64_MAX), "16.0 EiB");
    EXPECT_EQ(FormatDuration(7.4), "0:07");
    EXPECT_EQ(FormatDuration(754), "12:34");
    EXPECT_EQ(FormatDuration(3723), "1:02:03");
    EXPECT_EQ(FormatDuration(-1), "--:--");
    EXPECT_EQ(FormatDuration(1e300), "--:--");
}

TEST(ProgressFormat, LineShowsShareRateAndTimeLeft) {
    const std::string line = RenderProgressLine(25u << 20, 100u << 20, 5.0, "docs\\a.txt", 200);
    EXPECT_EQ(line.substr(0, 22), "[#####...............]");
    EXPECT_NE(line.find(" 25% "), std::string::npos) << line;
    EXPECT_NE(line.find("25.0 MiB/100.0 MiB"), std::string::npos) << line;
    EXPECT_NE(line.find("5.0 MiB/s"), std::string::npos) << line;
    EXPECT_NE(line.find("ETA 0:15"), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 10), "docs\\a.txt");

    // Nothing done yet: no rate, no estimate; an empty total counts as complete.
    EXPECT_NE(RenderProgressLine(0, 10, 0, "", 79).find("ETA --:--"), std::string::npos);
    EXPECT_NE(RenderProgressLine(0, 0, 1, "", 79).find("100%"), std::string::npos);
}

TEST(ProgressFormat, LineFitsItsWidthKeepingTheNameEnd) {
    const std::string name(200, 'n');
    for (size_t width : {30u, 60u, 79u}) {
        const std::string line = RenderProgressLine(1, 3, 1, name + "tail.bin", width);
        EXPECT_LE(line.size(), width);
    }
    const std::string line = RenderProgressLine(1, 3, 1, name + "tail.bin", 79);
    EXPECT_EQ(line.substr(line.size() - 8), "tail.bin");
    EXPECT_NE(line.find("..."), std::string::npos);
}

TEST(Listing, AttributesAndRatio) {
    EXPECT_EQ(FormatAttributes(0), "......");
    EXPECT_EQ(FormatAttributes(0x21), "R....A");
    EXPECT_EQ(FormatAttributes(0x3F), "RHSVDA");
    EXPECT_EQ(FormatAttributes(0xFFFFFFC2), ".H....");
    EXPECT_EQ(FormatRatio(0, 10), "-");
    EXPECT_EQ(FormatRatio(200, 50), "25.0%");
    EXPECT_EQ(FormatRatio(3, 11), "366.7%");
}

TEST(Listing, RowShowsEveryColumnAndEscapesControlBytes) {
    const CodePage kWestern = *CodePage::FromNumber(1252);
    VEXA_ENTRY entry{};
    std::memcpy(entry.name, "dir\\bad\x1b[2Jname", 16);
    entry.crc = 0x0D4A1185;
    entry.originalSize = 11;
    entry.compressedSize = 24;
    entry.attributes = 0x21;
    entry.modificationTime = kUnixEpochTicks;
    const std::string row = ListingRow(entry, kWestern);
    for (const char* part : {" 11 ", " 24 ", "218.2%", "0D4A1185", "R....A", "1970-01-01 00:00:00",
                             "dir\\bad\\x1B[2Jname"})
        EXPECT_NE(row.find(part), std::string::npos) << part << " in " << row;
    EXPECT_EQ(row.find('\x1b'), std::string::npos);

    // A name filling the whole field without a NUL ends at the field.
    std::memset(entry.name, 'x', sizeof entry.name);
    EXPECT_EQ(ListingRow(entry, kWestern).substr(ListingRow(entry, kWestern).size() - 101),
              " " + std::string(100, 'x'));
}

}  // namespace
}  // namespace vexa::cli
