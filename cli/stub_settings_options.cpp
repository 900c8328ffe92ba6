#include "stub_settings_options.h"

#include <algorithm>

#include "archive_reader.h"
#include "branding_options.h"
#include "host_fs.h"

namespace vexa::cli {

using namespace vexa::pe;  // the program image library

namespace {

// A command in a message: quoted, control bytes escaped, and a long one cut (a 100 KB command
// would bury the message).
std::string Shown(const std::string& command) {
    constexpr size_t kShownBytes = 60;
    if (command.size() <= kShownBytes + 20) return "'" + Printable(command) + "'";
    size_t cut = kShownBytes;
    while (cut > 0 && (static_cast<unsigned char>(command[cut]) & 0xC0) == 0x80) --cut;
    return "'" + Printable(command.substr(0, cut)) + "...' (" + std::to_string(command.size()) +
           " bytes)";
}

// Why `program` is no path inside the destination, in the words of the case at hand.
std::string ProgramPathProblem(std::string_view program) {
    const std::string shown = "the program '" + std::string(program) + "'";
    if (program.front() == '\\' || program.front() == '/')
        return shown + " is an absolute path; give its path inside the archive";
    if (program.find(':') != std::string_view::npos)
        return shown + " names a drive (or holds a colon); give its path inside the archive";
    for (size_t start = 0; start <= program.size();) {
        const size_t end = std::min(program.find_first_of("\\/", start), program.size());
        if (program.substr(start, end - start) == "..")
            return shown + " climbs out of the destination with '..'";
        start = end + 1;
    }
    if (program.find_first_of("*?") != std::string_view::npos)
        return shown + " holds a wildcard; name one program";
    return shown +
           " is not a usable path inside the archive (an empty or '.' level, a level ending in a "
           "dot or a space, or one of < > | \")";
}

// The quoting the stub reads: a program in double quotes when it holds spaces, a space between
// it and the arguments, and the arguments' own quotes in pairs.
std::string QuotingProblem(const std::string& command) {
    if (command.front() == '"') {
        const size_t close = command.find('"', 1);
        if (close == std::string::npos) return "the quote before the program is not closed";
        if (close + 1 < command.size() && command[close + 1] != ' ')
            return "put a space between the program's closing quote and its arguments";
    }
    const std::string_view arguments = RunArguments(command);
    if (std::count(arguments.begin(), arguments.end(), '"') % 2 != 0)
        return "a quote in the arguments is not closed";
    return {};
}

// The command in the code page, level by level as entry names are stored: a character the code
// page cannot hold, or one whose second byte would read as a separator, is refused.
std::optional<std::string> StoredCommand(const std::string& command, const CodePage& codePage,
                                         std::string& problem) {
    std::string stored;
    for (size_t start = 0; start <= command.size();) {
        const size_t end = std::min(command.find_first_of("\\/", start), command.size());
        const std::string piece = command.substr(start, end - start);
        if (!piece.empty()) {
            const auto encoded = codePage.EncodeLevel(piece, problem);
            if (!encoded) return std::nullopt;
            stored += *encoded;
        }
        if (end < command.size()) stored += command[end];
        start = end + 1;
    }
    return stored;
}

std::string ReadRunCommand(const std::string& command, const CodePage& codePage,
                           std::string& stored) {
    const std::string prefix = "--run " + Shown(command) + ": ";
    if (command.empty()) return "--run: the command is empty; give the program to run";
    const auto tooLong = [&](size_t bytes) {
        return prefix + "the command has " + std::to_string(bytes) + " bytes" +
               (bytes == command.size() ? ""
                                        : " in code page " + std::to_string(codePage.Number())) +
               "; at most " + std::to_string(kMaxRunCommand) + " fit";
    };
    if (command.size() > kMaxRunCommand) return tooLong(command.size());
    std::string error;
    if (!ResourceText(command, "the command", error)) return prefix + error;
    if (std::string problem = QuotingProblem(command); !problem.empty()) return prefix + problem;
    const std::string_view program = RunProgram(command);
    if (program.empty()) return prefix + "the command starts with a space; give the program first";
    if (!IsSafeProgramPath(program)) return prefix + ProgramPathProblem(program);
    std::string problem;
    const auto encoded = StoredCommand(command, codePage, problem);
    if (!encoded) return prefix + problem + " (see --codepage)";
    if (encoded->size() > kMaxRunCommand) return tooLong(encoded->size());
    stored = *encoded;
    return {};
}

// A name as Windows compares it: decoded, '/' read as '\', case folded.
std::string ComparableName(std::string_view stored, const CodePage& codePage) {
    std::string name = codePage.Show(std::string(stored));
    std::replace(name.begin(), name.end(), '/', '\\');
    return fs::CaseFoldKey(name);
}

}  // namespace

std::string ReadStubSettingsOptions(const ParsedArgs& parsed, const CodePage& codePage,
                                    Branding& branding) {
    const auto run = parsed.Value("run");
    const bool temp = parsed.Has("temp");
    if (!run && !temp && !parsed.Has("switches") && !parsed.Has("silent")) return {};
    if (temp && !run)
        return "--temp needs --run: the private folder is removed once the program ends, so "
               "without a program to run the files would be gone at once";
    OwnedStubSettings settings;
    if (parsed.Has("switches")) settings.flags |= kHonourSwitches;
    if (parsed.Has("silent")) settings.flags |= kAlwaysSilent;
    if (temp) settings.flags |= kExtractToTemp;
    if (run)
        if (std::string error = ReadRunCommand(*run, codePage, settings.runCommand); !error.empty())
            return error;
    branding.settings = std::move(settings);
    return {};
}

std::string RunProgramProblem(const OwnedStubSettings& settings, const CodePage& codePage,
                              const std::vector<std::string>& storedNames,
                              const std::string& source) {
    if (settings.runCommand.empty()) return {};
    const std::string_view program = RunProgram(settings.runCommand);
    const std::string wanted = ComparableName(program, codePage);
    std::vector<std::string> below;  // entries whose last levels are the program's path
    for (const std::string& name : storedNames) {
        const std::string have = ComparableName(name, codePage);
        if (have == wanted) return {};
        if (have.size() > wanted.size() && have.ends_with("\\" + wanted))
            below.push_back(codePage.Show(name));
    }
    std::string text = "--run '" + Printable(codePage.Show(settings.runCommand)) +
                       "': the program '" + codePage.Show(std::string(program)) +
                       "' is not among " + source +
                       "; give its path inside the archive, as 'vexa list' shows it";
    // The likely slip: a folder packed by its name puts every entry below that name.
    std::stable_sort(below.begin(), below.end(), [](const std::string& a, const std::string& b) {
        return a.size() < b.size();
    });
    constexpr size_t kShownGuesses = 3;
    for (size_t i = 0; i < std::min(below.size(), kShownGuesses); ++i)
        text += (i == 0                                           ? " (did you mean '"
                 : i + 1 == std::min(below.size(), kShownGuesses) ? "' or '"
                                                                  : "', '") +
                below[i];
    if (!below.empty()) text += "'?)";
    return text;
}

std::vector<std::string> StubSettingsParts(const OwnedStubSettings& settings,
                                           const CodePage& codePage) {
    std::vector<std::string> parts;
    if (settings.Has(kHonourSwitches)) parts.push_back("the command-line switches");
    if (settings.Has(kAlwaysSilent)) parts.push_back("always silent");
    if (!settings.runCommand.empty())
        parts.push_back("'" + codePage.Show(settings.runCommand) + "' run after extraction" +
                        (settings.Has(kExtractToTemp)
                             ? " in a private folder under %TEMP%, removed afterwards"
                             : ""));
    return parts;
}

}  // namespace vexa::cli
