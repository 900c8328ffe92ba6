#include "unattended_fixture.h"

#include <sddl.h>

#include <algorithm>
#include <sstream>

#include "unique_handle.h"
#include "win_paths.h"
#include "window_watch.h"

namespace sfxtest {

namespace {

constexpr auto kRunLimit = std::chrono::seconds(30);

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

const std::vector<ArchiveEntry>& SampleEntries() {
    static const std::vector<ArchiveEntry> entries = {
        {"readme.txt", "read me\r\n"},
        {"docs\\guide.txt", std::string(3000, 'g') + "\r\nend of guide\r\n"},
        {"bin\\tool.dat", std::string("\0\x01\x02\xFF tool\0", 11),
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
        {"caf\xE9.txt", "accented name\r\n"},
    };
    return entries;
}

const std::vector<ArchiveEntry>& EntriesWithBad() {
    static const std::vector<ArchiveEntry> entries = [] {
        std::vector<ArchiveEntry> list = SampleEntries();
        std::string content;
        for (int line = 0; line < 200; ++line) content += "line " + std::to_string(line) + "\r\n";
        ArchiveEntry bad{"bad.txt", content};
        bad.damagedData = true;
        list.insert(list.begin() + kBadIndex, bad);
        return list;
    }();
    return entries;
}

ArchiveEntry ProbeEntry() {
    const std::vector<uint8_t> bytes = ReadFileBytes(WindowsPath(RUN_PROBE_PATH));
    return {"bin\\run_probe.exe", std::string(bytes.begin(), bytes.end())};
}

void UnattendedTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = Replace(
        WindowsPath(SFX_UNATTENDED_WORK_DIR) + "\\" + info->test_suite_name() + "." + info->name(),
        "/", "_");
    RemoveTree(folder_);
    ASSERT_TRUE(MakeDirectories(folder_ + "\\pkg")) << folder_;
    ::SetEnvironmentVariableA("VEXA_PROBE_RECORD", RecordPath().c_str());
    ::SetEnvironmentVariableA("VEXA_PROBE_MARKER", MarkerPath().c_str());
}

std::string UnattendedTest::Out(const std::string& relative) const {
    return folder_ + "\\out" + (relative.empty() ? "" : "\\" + relative);
}

std::string UnattendedTest::MakeSfx(const std::optional<StubSettingsSpec>& settings,
                                    const std::vector<uint8_t>& archive,
                                    const std::string& initialDestination) {
    const std::string exe = Path("pkg\\setup.exe");
    EXPECT_EQ(
        FormUnattendedSfx(WindowsPath(SFXSTUB_PATH), settings, archive, exe, initialDestination),
        "");
    return exe;
}

WatchedRun UnattendedTest::RunWatched(const std::string& exe, const std::string& arguments) {
    return RunWatched(Wide(exe), Wide(arguments));
}

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring Wide(const std::string& ansi) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), wide.data(), length);
    return wide;
}

bool MakeLink(const std::string& link, const std::string& target, bool directory) {
    if (UnderWine()) {
        // Wine's CreateSymbolicLink makes nothing; a Unix link is what it shows as one.
        using UnixName = char*(CDECL*)(const WCHAR*);
        const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        if (!unixName) return false;
        char* unixLink = unixName(Wide(link).c_str());
        if (!unixLink) return false;
        std::string target_ = target;
        for (char& c : target_)
            if (c == '\\') c = '/';
        std::string line = "/bin/ln -sfn \"" + target_ + "\" \"" + unixLink + "\"";
        ::HeapFree(::GetProcessHeap(), 0, unixLink);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info))
            return false;
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
        // Wine does not wait for a Unix process: the link is looked for until it appears.
        WaitUntil([&] { return Attributes(link) != INVALID_FILE_ATTRIBUTES; });
    } else if (!::CreateSymbolicLinkA(link.c_str(), target.c_str(),
                                      directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0)) {
        return false;
    }
    return Attributes(link) != INVALID_FILE_ATTRIBUTES;
}

WatchedRun UnattendedTest::RunWatched(const std::wstring& exe, const std::wstring& arguments) {
    WatchedRun run;
    SfxProcess sfx(exe, Wide(folder_), arguments);
    EXPECT_TRUE(sfx.Started()) << exe;
    if (!sfx.Started()) return run;
    WindowWatch watch(sfx.ProcessId());
    run.exitCode = sfx.WaitForExit(kRunLimit);
    run.markerAtExit = Attributes(MarkerPath()) != INVALID_FILE_ATTRIBUTES;
    watch.Stop();
    run.windows = watch.Seen();
    return run;
}

std::string UnattendedTest::UsePrivateTemp() {
    const std::string temp = Path("temp");
    EXPECT_TRUE(MakeDirectories(temp));
    ::SetEnvironmentVariableA("TEMP", temp.c_str());
    ::SetEnvironmentVariableA("TMP", temp.c_str());
    return temp;
}

std::optional<ProbeRecord> UnattendedTest::ExpectSilentProbeRun(
    const WatchedRun& run, const std::vector<std::string>& arguments) {
    ExpectNoWindow(run);
    EXPECT_EQ(run.exitCode, kProbeExitCode);
    EXPECT_TRUE(run.markerAtExit) << "ended before the program's child";
    std::optional<ProbeRecord> record = ReadProbeRecord(RecordPath());
    EXPECT_TRUE(record.has_value()) << "the program did not run";
    if (record) {
        EXPECT_EQ(record->arguments, arguments);
    }
    return record;
}

void UnattendedTest::ExpectExtracted(const std::string& destination,
                                     const std::vector<ArchiveEntry>& entries) {
    for (const ArchiveEntry& entry : entries) {
        const std::string path = destination + "\\" + entry.name;
        EXPECT_EQ(ReadTextFile(path).value_or("<missing>"), entry.content) << path;
        EXPECT_EQ(Attributes(path), entry.attributes) << path;
    }
}

void UnattendedTest::ExpectNothingAt(const std::string& destination) {
    EXPECT_EQ(DirectoryEntries(destination), std::vector<std::string>{}) << destination;
}

void ExpectNoWindow(const WatchedRun& run) {
    EXPECT_EQ(run.windows, std::vector<std::string>{}) << "windows appeared during a silent run";
}

std::optional<ProbeRecord> ReadProbeRecord(const std::string& path) {
    const std::optional<std::string> text = ReadTextFile(path);
    if (!text) return std::nullopt;
    ProbeRecord record;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (key == "arg") record.arguments.push_back(value);
        if (key == "cwd") record.workingFolder = value;
        if (key == "dacl") record.dacl = value;
        if (key == "dacl-error") record.dacl = "error=" + value;
    }
    return record;
}

bool SameFolder(std::string a, std::string b) {
    while (!a.empty() && a.back() == '\\') a.pop_back();
    while (!b.empty() && b.back() == '\\') b.pop_back();
    return Lower(a) == Lower(b);
}

void ExpectRanInRemovedTempFolder(const ProbeRecord& record, const std::string& temp) {
    EXPECT_TRUE(SameFolder(record.workingFolder.substr(0, temp.size()), temp))
        << record.workingFolder << " is not under " << temp;
    EXPECT_GT(record.workingFolder.size(), temp.size() + 1) << record.workingFolder;
    EXPECT_EQ(Attributes(record.workingFolder), INVALID_FILE_ATTRIBUTES) << "not removed";
    EXPECT_EQ(DirectoryEntries(temp), std::vector<std::string>{}) << "left in %TEMP%";
}

std::string CurrentUserSid() {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return "";
    const vexa::win32::KernelObject token(rawToken);
    std::vector<uint8_t> buffer(512);
    DWORD size = 0;
    if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), DWORD(buffer.size()), &size))
        return "";
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return "";
    const std::string sid = text;
    ::LocalFree(text);
    return sid;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace sfxtest
