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

}  // namespace

int RunInfo(const Args& args, Console& console) {
    int exitCode = kExitSuccess;
    const auto parsed = ParseCommand(kCommand, args, {}, kInfoUsage, console, exitCode);
    if (!parsed) return exitCode;
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
