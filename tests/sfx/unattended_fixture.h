// What the unattended tests share: a folder per test, self-extractors formed in it, runs that
// are watched for windows, the run probe's record, and checks on the extracted files.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "gui_session.h"
#include "unattended_maker.h"

namespace sfxtest {

// Settings as `vexa sfx` writes them for its options.
constexpr uint32_t kSwitches = vexa::pe::kHonourSwitches;
constexpr uint32_t kSilent = vexa::pe::kAlwaysSilent;
constexpr uint32_t kTemp = vexa::pe::kExtractToTemp;

// The exit codes scripts and deployment tools rely on, written out rather than taken from
// sfx/exit_codes.h, so that a changed number there fails here.
constexpr DWORD kExitSuccess = 0;
constexpr DWORD kExitSomeFailed = 1;
constexpr DWORD kExitArchiveUnreadable = 2;
constexpr DWORD kExitDestinationFailed = 5;
constexpr DWORD kExitRunFailed = 6;
constexpr DWORD kExitCancelled = 1602;
constexpr DWORD kExitBadCommandLine = 1639;
constexpr DWORD kProbeExitCode = 7;

// Small archives: a tree with attributes and a name in code page 1252.
const std::vector<ArchiveEntry>& SampleEntries();
// The sample with "bad.txt" inserted second, its stored data damaged so that its decoding
// fails; the index of bad.txt.
const std::vector<ArchiveEntry>& EntriesWithBad();
constexpr size_t kBadIndex = 1;

// The run probe as an archive entry, "bin\run_probe.exe".
ArchiveEntry ProbeEntry();

struct WatchedRun {
    std::optional<DWORD> exitCode;     // empty: it did not end in time (and was terminated)
    std::vector<std::string> windows;  // the windows that appeared (see WindowWatch)
    bool markerAtExit = false;         // the probe's child marker existed when it ended
};

// A fresh folder for the current test under the work folder; its self-extractors and default
// destination ("out") go there.
class UnattendedTest : public ::testing::Test {
  protected:
    void SetUp() override;

    const std::string& Folder() const { return folder_; }
    std::string Out(const std::string& relative = "") const;
    std::string Path(const std::string& relative) const { return folder_ + "\\" + relative; }

    // Forms <folder>\pkg\setup.exe; fails the test on error.
    std::string MakeSfx(const std::optional<StubSettingsSpec>& settings,
                        const std::vector<uint8_t>& archive,
                        const std::string& initialDestination = "");
    // Starts `exe` with `arguments` in the test's folder, watches it for windows until it ends.
    WatchedRun RunWatched(const std::string& exe, const std::string& arguments);
    // The same through the wide interface (UTF-16 program path and arguments).
    WatchedRun RunWatched(const std::wstring& exe, const std::wstring& arguments);

    // The probe's record and marker files of this test, named to it through the environment.
    std::string RecordPath() const { return Path("probe-record.txt"); }
    std::string MarkerPath() const { return Path("probe-child-ended.txt"); }
    // A private %TEMP% (and %TMP%) for the self-extractors this test starts.
    std::string UsePrivateTemp();

    // A silent run of the probe: no window, the probe's exit code once its child ended, and
    // `arguments` recorded. The record; empty when the probe did not run.
    std::optional<struct ProbeRecord> ExpectSilentProbeRun(
        const WatchedRun& run, const std::vector<std::string>& arguments);

    void ExpectExtracted(const std::string& destination, const std::vector<ArchiveEntry>& entries);
    void ExpectNothingAt(const std::string& destination);

  private:
    std::string folder_;
};

bool UnderWine();

// ANSI text (as the tests spell paths) as UTF-16, and back.
std::wstring Wide(const std::string& ansi);

// Makes `link` a symbolic link to `target` (relative to the link's folder): under Wine a Unix
// link made by ln (Wine shows one to a folder as a reparse point); on Windows
// CreateSymbolicLink. False when links cannot be made here.
bool MakeLink(const std::string& link, const std::string& target, bool directory);

// Fails unless the run showed no window.
void ExpectNoWindow(const WatchedRun& run);

struct ProbeRecord {
    std::vector<std::string> arguments;
    std::string workingFolder;
    std::string dacl;  // SDDL; "error=..." when the probe could not read it
};
std::optional<ProbeRecord> ReadProbeRecord(const std::string& path);

// Folder paths compared as Windows does: case ignored, a trailing backslash ignored.
bool SameFolder(std::string a, std::string b);

// The probe ran in a new folder under `temp`, and nothing of it is left there.
void ExpectRanInRemovedTempFolder(const ProbeRecord& record, const std::string& temp);

std::string CurrentUserSid();

std::string Replace(std::string text, const std::string& from, const std::string& to);

}  // namespace sfxtest
