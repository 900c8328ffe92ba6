// vexa sfx OUTPUT.exe (--archive ARCHIVE | PATH...) [--stub FILE] [--default-dest DIR]
// [--icon FILE.ico] [--title TEXT] [--version-info KEY=VALUE]... [--switches] [--silent]
// [--run "COMMAND [ARGUMENTS]" [--temp]]
#include "archive_reader.h"
#include "branding_options.h"
#include "command_line.h"
#include "commands.h"
#include "host_fs.h"
#include "pack_inputs.h"
#include "progress_format.h"
#include "sfx_stub.h"
#include "stub_settings_options.h"
#include "temp_output.h"
#include "usage.h"
#include "vexa.h"
#include "vexa_pe.h"

namespace vexa::cli {

using namespace vexa::pe;  // the program image library

namespace {

const std::string kCommand = "sfx";

// A stub is a small program; anything far larger is not one.
constexpr uint64_t kMaxStubSize = 64u << 20;

std::string ReadStub(const std::string& path, std::vector<uint8_t>& image) {
    platform::File file = fs::OpenForReading(path);
    if (!file.IsOpen()) return path + ": cannot open the stub";
    const auto size = file.Size();
    if (!size) return path + ": cannot read the stub";
    if (*size > kMaxStubSize) return path + ": too large to be a stub";
    image.resize(size_t(*size));
    if (file.ReadFully(image.data(), image.size()) != image.size())
        return path + ": cannot read the stub";
    return {};
}

std::string Write(platform::File& out, const uint8_t* data, size_t count) {
    const auto result = out.Write(data, count);
    if (result.written == count) return {};
    return result.diskFull ? "the disk is full" : "write error";
}

// Which stub is used when none is given: the 32-bit one runs on every Windows; the 64-bit one
// also where 32-bit programs cannot run (Windows PE, Server without WOW64).
struct DefaultStub {
    const char* fileName;
    uint16_t machine;
    const char* kind;
};
constexpr DefaultStub kStub32 = {"sfxstub.exe", kMachineI386, "32-bit"};
constexpr DefaultStub kStub64 = {"sfxstub64.exe", kMachineAmd64, "64-bit"};

// The stub's places when none is given: beside the program, then where an installation puts
// it (share/vexa under the program's prefix).
std::vector<std::string> DefaultStubPaths(const std::string& programDirectory,
                                          const DefaultStub& stub) {
    const std::string sep(1, fs::Separator());
    std::vector<std::string> paths = {programDirectory + stub.fileName};
    if (!programDirectory.empty())
        paths.push_back(programDirectory + ".." + sep + "share" + sep + "vexa" + sep +
                        stub.fileName);
    return paths;
}

// Reads the given stub, or the first of the default places that holds one, which must then be
// a program of the width asked for (a stub of the other width in its place would make a
// self-extractor that does not run where the user expects it to).
std::string FindAndReadStub(const std::optional<std::string>& given, const DefaultStub& wanted,
                            const std::string& programDirectory, std::string& path,
                            std::vector<uint8_t>& image) {
    if (given) {
        path = *given;
        return ReadStub(path, image);
    }
    std::string tried;
    for (const std::string& candidate : DefaultStubPaths(programDirectory, wanted)) {
        path = candidate;
        platform::File probe = platform::File::Open(path.c_str(), platform::File::Access::Read);
        if (!probe.IsOpen()) {
            tried += (tried.empty() ? "" : "; ") + path + ": cannot open the stub";
            continue;
        }
        if (std::string error = ReadStub(path, image); !error.empty()) return error;
        const auto machine = PeMachine(image);
        if (machine && *machine != wanted.machine)
            return path + ": not a " + std::string(wanted.kind) + " stub";
        return {};
    }
    return "no " + std::string(wanted.kind) + " stub found (" + tried + ")";
}

// Appends the archive inside `path` (from its signature to the end of the file).
std::string CopyArchive(const std::string& path, platform::File& out) {
    platform::File in = fs::OpenForReading(path);
    const auto size = in.IsOpen() ? in.Size() : std::nullopt;
    if (!size) return path + ": cannot read";
    const auto start = ScanForSignature(platform::ReadFrom(in), *size);
    if (!start || !in.Seek(*start)) return path + ": no archive found";
    std::vector<uint8_t> buffer(1 << 20);
    for (;;) {
        const size_t got = in.ReadFully(buffer.data(), buffer.size());
        if (got == 0) break;
        if (std::string error = Write(out, buffer.data(), got); !error.empty()) return error;
        if (got < buffer.size()) break;
    }
    if (in.Position() != *size) return path + ": read error";
    return {};
}

// The written self-extractor must open where the stub ends and list every entry.
std::string Verify(const std::string& path, uint64_t archiveOffset, uint64_t expectedEntries) {
    ArchiveReader reader;
    if (const Result result = reader.Open(path); result != Result::Success)
        return "the result does not open: " + ResultText(result);
    if (reader.EntryCount() != expectedEntries)
        return "the result holds " + std::to_string(reader.EntryCount()) + " entries, not " +
               std::to_string(expectedEntries);
    Result error;
    const auto entries = reader.AllEntries(error);
    if (error != Result::Success)
        return "entry " + std::to_string(entries.size() + 1) +
               " of the result cannot be read: " + ResultText(error);
    if (!entries.empty()) {
        uint64_t recordOffset = 0;
        VEXA_ENTRY first;
        if (vexa_GetFileInfo(reader.Handle(), &first, &recordOffset,
                             EntryName(entries[0]).c_str()) != 0 ||
            recordOffset != archiveOffset + kHeaderSize)
            return "the archive is not found where the stub ends";
    }
    return {};
}

// Gives the stub its maker's looks. The new resources must not spell the archive signature:
// the reader takes its first occurrence for the archive.
std::string BrandStub(std::vector<uint8_t>& stub, const Branding& branding) {
    if (branding.Empty()) return {};
    if (std::string error = ApplyBranding(stub, branding); !error.empty())
        return "cannot give it the icon, title, version information or settings: " + error;
    if (const auto at = FindSignature(stub))
        return "the icon, version information or run command holds the archive signature (at "
               "offset " +
               std::to_string(*at) + " of the branded stub), which would hide the archive";
    return {};
}

// What the closing line says of the branding: ", with an icon of 4 images, a title, 2 version
// fields and the command-line switches".
std::string BrandingText(const Branding& branding, const CodePage& codePage) {
    std::vector<std::string> parts;
    if (branding.icons)
        parts.push_back("an icon of " + std::to_string(branding.icons->size()) +
                        (branding.icons->size() == 1 ? " image" : " images"));
    if (branding.title) parts.push_back("a title");
    if (const size_t fields = branding.versionFields.size())
        parts.push_back(std::to_string(fields) +
                        (fields == 1 ? " version field" : " version fields"));
    if (branding.settings) {
        const auto settings = StubSettingsParts(*branding.settings, codePage);
        parts.insert(parts.end(), settings.begin(), settings.end());
    }
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? ", with " : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text;
}

// The entry names of an open archive, as stored. A record that cannot be read ends the list;
// the written result's check reports it.
std::vector<std::string> ArchiveNames(const ArchiveReader& reader) {
    Result error;
    std::vector<std::string> names;
    for (const VEXA_ENTRY& entry : reader.AllEntries(error)) names.push_back(EntryName(entry));
    return names;
}

}  // namespace

int RunSfx(const Args& args, Console& console) {
    int exitCode = kExitSuccess;
    const auto parsed = ParseCommand(kCommand, args,
                                     {{"archive", 'a', true},
                                      {"stub", 's', true},
                                      {"x64", 0, false},
                                      {"default-dest", 'd', true},
                                      {"threads", 'j', true},
                                      {"quiet", 'q', false},
                                      {"exclude", 'x', true},
                                      {"icon", 0, true},
                                      {"title", 0, true},
                                      {"version-info", 0, true},
                                      {"switches", 0, false},
                                      {"silent", 0, false},
                                      {"run", 0, true},
                                      {"temp", 0, false},
                                      kCodePageOption},
                                     kSfxUsage, console, exitCode);
    if (!parsed) return exitCode;
    if (parsed->operands.empty()) return UsageError(kCommand, "needs an output name", console);
    const auto archive = parsed->Value("archive");
    const bool hasPaths = parsed->operands.size() > 1;
    if (archive.has_value() == hasPaths)
        return UsageError(kCommand, "give either --archive ARCHIVE or paths to pack", console);
    const auto threads = ThreadsOption(kCommand, *parsed, console);
    if (!threads) return kExitUsage;
    const bool quiet = parsed->Has("quiet");
    const auto codePage = CodePageOption(kCommand, *parsed, console);
    if (!codePage) return kExitUsage;
    const auto destination = parsed->Value("default-dest");
    if (destination && (destination->empty() || destination->size() > kMaxDestinationLength))
        return UsageError(kCommand,
                          "--default-dest must have 1 to " + std::to_string(kMaxDestinationLength) +
                              " bytes, not " + std::to_string(destination->size()),
                          console);
    if (destination)
        if (std::string problem = DestinationProblem(*destination); !problem.empty())
            return UsageError(kCommand, "--default-dest: " + problem, console);

    Branding branding;
    if (std::string error = ReadBrandingOptions(*parsed, branding); !error.empty())
        return UsageError(kCommand, error, console);
    if (std::string error = ReadStubSettingsOptions(*parsed, *codePage, branding); !error.empty())
        return UsageError(kCommand, error, console);

    const std::string& outputPath = parsed->operands[0];
    if (IsDirectory(outputPath)) {
        console.Error(kCommand,
                      outputPath + ": is a directory; give the self-extractor's file name");
        return kExitUsage;
    }
    const auto givenStub = parsed->Value("stub");
    const bool x64 = parsed->Has("x64");
    if (givenStub && x64)
        return UsageError(kCommand, "give either --stub FILE or --x64, not both", console);
    std::string stubPath;
    std::vector<uint8_t> stub;
    if (std::string error = FindAndReadStub(givenStub, x64 ? kStub64 : kStub32,
                                            console.programDirectory, stubPath, stub);
        !error.empty()) {
        console.Error(kCommand, error + " (give the stub with --stub)");
        return kExitUsage;
    }
    const SignatureRemoval signature = RemoveSignature(stub);
    if (!signature.error.empty()) {
        console.Error(kCommand, stubPath + ": " + signature.error + "; use a stub as built");
        return kExitUsage;
    }
    if (signature.removed)
        console.Error(kCommand,
                      "warning: " + stubPath + " carries an Authenticode signature (" +
                          std::to_string(signature.certificateBytes) +
                          " bytes), which the appended archive would break; the result is "
                          "written unsigned: sign it after 'vexa sfx'");
    if (std::string error = PrepareStub(stub, destination); !error.empty()) {
        console.Error(kCommand, stubPath + ": " + error);
        return kExitUsage;
    }
    if (std::string error = BrandStub(stub, branding); !error.empty()) {
        console.Error(kCommand, stubPath + ": " + error);
        return kExitUsage;
    }

    uint64_t expectedEntries = 0;
    std::optional<std::vector<InputFile>> files;
    if (archive) {
        ArchiveReader reader;
        if (const Result result = reader.Open(*archive); result != Result::Success) {
            console.Error(kCommand, OpenFailureText(*archive, result));
            return kExitUsage;
        }
        expectedEntries = reader.EntryCount();
        if (branding.settings)
            if (std::string error =
                    RunProgramProblem(*branding.settings, *codePage, ArchiveNames(reader),
                                      "the entries of " + *archive);
                !error.empty())
                return UsageError(kCommand, error, console);
    } else {
        const std::vector<std::string> paths(parsed->operands.begin() + 1, parsed->operands.end());
        files = GatherInputs(kCommand, paths, outputPath, console,
                             {*codePage, parsed->Values("exclude")});
        if (!files) return kExitUsage;
        expectedEntries = files->size();
        if (branding.settings) {
            std::vector<std::string> names;
            for (const InputFile& file : *files) names.push_back(file.name);
            if (std::string error = RunProgramProblem(*branding.settings, *codePage, names,
                                                      "the files being packed");
                !error.empty())
                return UsageError(kCommand, error, console);
        }
    }

    TempOutput output(outputPath);
    if (!output.Create()) {
        console.Error(kCommand, outputPath + ": cannot create: " + fs::LastErrorText());
        return kExitUsage;
    }
    std::string error = Write(output.File(), stub.data(), stub.size());
    if (error.empty()) {
        if (archive) {
            error = CopyArchive(*archive, output.File());
        } else {
            error =
                PackInputs(output.File(), *files, *threads, console.StyleFor(quiet), console).error;
        }
    }
    if (error.empty()) {
        output.File().Close();
        error = Verify(output.TempPath(), stub.size(), expectedEntries);
    }
    if (!error.empty()) {
        console.Error(kCommand, outputPath + ": " + error + "; nothing written");
        return kExitUsage;
    }
    if (!output.Commit()) {
        console.Error(kCommand,
                      outputPath + ": cannot rename the result into place: " + fs::LastErrorText());
        return kExitUsage;
    }
    if (!quiet)
        console.err << "Wrote " << outputPath << ": stub of " << FormatBytes(stub.size()) << " and "
                    << expectedEntries << (expectedEntries == 1 ? " entry" : " entries")
                    << BrandingText(branding, *codePage) << "\n";
    return kExitSuccess;
}

}  // namespace vexa::cli
