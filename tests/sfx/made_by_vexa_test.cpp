// Self-extractors made by the Windows vexa.exe sfx with --switches, --run and --temp: what the
// maker writes, the stub reads, end to end.
#include <gtest/gtest.h>

#include "unattended_fixture.h"
#include "unique_handle.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

// Runs `commandLine` (program first) in `folder`; its exit code, or empty when it did not start
// or end in time.
std::optional<DWORD> RunProgram(std::string commandLine, const std::string& folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info))
        return std::nullopt;
    const vexa::win32::KernelObject process(info.hProcess);
    const vexa::win32::KernelObject thread(info.hThread);
    if (::WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 99);
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    return code;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted += text;
    quoted += '"';
    return quoted;
}

class MadeByVexa : public UnattendedTest {
  protected:
    // Packs the probe (bin\run_probe.exe) and readme.txt with vexa.exe sfx and these options
    // into pkg\setup.exe.
    std::string MakeWithVexa(const std::string& options) {
        const std::string payload = Path("payload");
        EXPECT_TRUE(MakeDirectories(payload + "\\bin"));
        const ArchiveEntry probe = ProbeEntry();
        EXPECT_TRUE(WriteTextFile(payload + "\\" + probe.name, probe.content));
        EXPECT_TRUE(WriteTextFile(payload + "\\readme.txt", "read me\r\n"));
        const std::string exe = Path("pkg\\setup.exe");
        std::string command = Quoted(WindowsPath(VEXA_EXE_PATH));
        command += " sfx -q --stub " + Quoted(WindowsPath(SFXSTUB_PATH));
        command += " " + options + " " + Quoted(exe) + " bin readme.txt";
        EXPECT_EQ(RunProgram(command, payload), 0u) << command;
        return exe;
    }
};

TEST_F(MadeByVexa, SwitchesRunAndTemp) {
    const std::string temp = UsePrivateTemp();
    const std::string exe =
        MakeWithVexa("--switches --run \"bin\\run_probe.exe made-by-vexa\" --temp");
    ASSERT_FALSE(HasFailure());
    const std::optional<ProbeRecord> record =
        ExpectSilentProbeRun(RunWatched(exe, "/S -- user"), {"made-by-vexa", "user"});
    if (record) ExpectRanInRemovedTempFolder(*record, temp);
}

TEST_F(MadeByVexa, SilentWithoutSwitchesIgnoresTheCommandLine) {
    // --silent alone: no window, the default destination, and /D= on the command line is not
    // read.
    const std::string exe = MakeWithVexa("--silent --default-dest " + Quoted(Out()));
    ASSERT_FALSE(HasFailure());
    const WatchedRun run = RunWatched(exe, "/D=" + Path("elsewhere"));
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    EXPECT_EQ(ReadTextFile(Out("readme.txt")), "read me\r\n");
    EXPECT_EQ(ReadTextFile(Out("bin\\run_probe.exe")), ProbeEntry().content);
    EXPECT_EQ(Attributes(Path("elsewhere")), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace sfxtest
