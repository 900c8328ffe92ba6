// vexa info FILE.exe: what a self-extractor shows of itself, one "Field: value" line each.
#include <algorithm>

#include "archive_reader.h"
#include "command_line.h"
#include "commands.h"
#include "host_fs.h"
#include "pack_inputs.h"
#include "reader_helpers.h"
#include "usage.h"
#include "vexa_pe.h"

namespace vexa::cli {

using namespace vexa::pe;  // the program image library

namespace {

const std::string kCommand = "info";

// The program image is what comes before the archive; a stub is far smaller than this.
constexpr uint64_t kMaxImageSize = 64u << 20;

std::string MachineText(uint16_t machine) {
    if (machine == kMachineI386) return "x86 (32-bit)";
    if (machine == kMachineAmd64) return "x64 (64-bit)";
    return MachineName(machine);
}

// How the self-extractor runs, from its settings resource; a stub without one runs its dialog
// and ignores its command line.
void PrintSettings(const BrandingSummary& summary, const CodePage& codePage, std::ostream& out) {
    if (summary.hasSettings && !summary.settings) {
        out << "Settings: unreadable (the self-extractor stops with exit code 2)\n";
        return;
    }
    const OwnedStubSettings settings = summary.settings.value_or(OwnedStubSettings{});
    const bool switches = settings.Has(kHonourSwitches);
    out << "Switches: " << (switches ? "/S /D=DIR /O=replace|skip|ask /LOG=FILE /?" : "ignored")
        << "\n";
    out << "Silent: "
        << (settings.Has(kAlwaysSilent) ? "always"
            : switches                  ? "with /S"
                                        : "never")
        << "\n";
    out << "Run after extraction: "
        << (settings.runCommand.empty() ? "nothing" : Printable(codePage.Show(settings.runCommand)))
        << "\n";
    out << "Extract to: "
        << (settings.Has(kExtractToTemp)  ? "a new private folder under %TEMP%, removed afterwards"
            : settings.Has(kAlwaysSilent) ? "the default destination"
                                          : "the folder chosen in the dialog")
        << (switches && !settings.Has(kExtractToTemp) ? ", or /D=DIR" : "") << "\n";
}

void PrintBranding(const BrandingSummary& summary, std::ostream& out) {
    out << "Machine: " << MachineText(summary.machine) << "\n";
    for (const std::string& fault : summary.faults) out << "Fault: " << fault << "\n";
    out << "Title: " << (summary.title ? Utf16ToUtf8(*summary.title) : "none") << "\n";
    if (summary.icons.empty()) out << "Icon: none\n";
    for (const IconGroupEntry& icon : summary.icons)
        out << "Icon: " << icon.width << "x" << icon.height << ", " << icon.bitCount << " bits, "
            << icon.bytes << " bytes\n";
    if (!summary.version) {
        if (!summary.hasVersion) out << "Version information: none\n";
        return;
    }
    out << "File version: " << FormatVersionNumber(summary.version->fileVersion) << "\n";
    out << "Product version: " << FormatVersionNumber(summary.version->productVersion) << "\n";
    for (const VersionField& field : summary.version->strings)
        out << field.key << ": " << field.value << "\n";
}

// A self-extractor exports its archive functions by name: tools may list them, but only its own
// process can call them (other programs load vexa.dll).
void PrintExports(std::span<const uint8_t> image, std::ostream& out) {
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    const auto names = layout ? ReadExportNames(image, *layout, fault) : std::nullopt;
    if (!names) {
        out << "Fault: " << fault << "\n";
        return;
    }
    if (names->empty()) out << "Exports: none\n";
    for (const std::string& name : *names) out << "Export: " << name << "\n";
}

}  // namespace

int RunInfo(const Args& args, Console& console) {
    int exitCode = kExitSuccess;
    const auto parsed =
        ParseCommand(kCommand, args, {kCodePageOption}, kInfoUsage, console, exitCode);
    if (!parsed) return exitCode;
    const auto codePage = CodePageOption(kCommand, *parsed, console);
    if (!codePage) return kExitUsage;
    if (parsed->operands.size() != 1)
        return UsageError(kCommand, "give one self-extractor or program", console);
    const std::string& path = parsed->operands[0];
    if (IsDirectory(path)) {
        console.Error(kCommand, path + ": is a directory");
        return kExitUsage;
    }
    platform::File file = fs::OpenForReading(path);
    const auto size = file.IsOpen() ? file.Size() : std::nullopt;
    if (!size) {
        console.Error(kCommand, path + ": cannot open: " + fs::LastErrorText());
        return kExitUsage;
    }
    const auto archiveOffset = ScanForSignature(platform::ReadFrom(file), *size);
    std::vector<uint8_t> image(size_t(std::min(archiveOffset.value_or(*size), kMaxImageSize)));
    if (file.ReadFullyAt(0, image.data(), image.size()) != image.size()) {
        console.Error(kCommand, path + ": cannot read: " + fs::LastErrorText());
        return kExitUsage;
    }
    std::string fault;
    const auto summary = ReadBranding(image, fault);
    if (!summary) {
        console.Error(kCommand, path + ": " + fault);
        return kExitUsage;
    }
    console.out << "File: " << path << "\n";
    PrintBranding(*summary, console.out);
    // How it runs means something only for a self-extractor: a program with an archive after it
    // or settings of its own.
    if (archiveOffset || summary->hasSettings) PrintSettings(*summary, *codePage, console.out);
    PrintExports(image, console.out);
    if (!archiveOffset) {
        console.out << "Archive: none\n";
        return kExitSuccess;
    }
    console.out << "Archive offset: " << *archiveOffset << "\n";
    ArchiveReader reader;
    if (!OpenArchive(kCommand, path, reader, console)) return kExitUsage;
    console.out << "Entries: " << reader.EntryCount() << "\n";
    return kExitSuccess;
}

}  // namespace vexa::cli
