#include "command_line.h"

#include "encoder_pool.h"

namespace vexa::cli {

int UsageError(const std::string& command, const std::string& text, Console& console) {
    console.Error(command, text);
    console.err << "Try 'vexa " << command << " --help'.\n";
    return kExitUsage;
}

std::optional<ParsedArgs> ParseCommand(const std::string& command, const Args& args,
                                       const std::vector<OptionDef>& defs, const char* usage,
                                       Console& console, int& exitCode) {
    std::string error;
    auto parsed = ParseOptions(args, defs, error);
    if (!parsed) {
        exitCode = UsageError(command, error, console);
        return std::nullopt;
    }
    if (parsed->help) {
        console.out << usage;
        exitCode = kExitSuccess;
        return std::nullopt;
    }
    return parsed;
}

std::optional<unsigned> ThreadsOption(const std::string& command, const ParsedArgs& parsed,
                                      Console& console) {
    const auto text = parsed.Value("threads");
    if (!text) return pack::DefaultThreadCount();
    unsigned value = 0;
    bool valid = !text->empty() && text->size() <= 2;
    for (char c : *text) {
        if (c < '0' || c > '9') valid = false;
        value = value * 10 + unsigned(c - '0');
    }
    if (!valid || value < 1 || value > 64) {
        UsageError(command, "--threads needs a number from 1 to 64, not '" + *text + "'", console);
        return std::nullopt;
    }
    return value;
}

const OptionDef kCodePageOption = {"codepage", 0, true};

std::optional<CodePage> CodePageOption(const std::string& command, const ParsedArgs& parsed,
                                       Console& console) {
    const auto text = parsed.Value("codepage");
    if (!text) return CodePage::FromNumber(CodePage::kDefault);
    const auto codePage = CodePage::Parse(*text);
    if (!codePage)
        UsageError(command,
                   "--codepage needs a Windows ANSI code page (874, 932, 936, 949, 950 or "
                   "1250-1258), not '" +
                       *text + "'",
                   console);
    return codePage;
}

bool OpenArchive(const std::string& command, const std::string& path, ArchiveReader& reader,
                 Console& console) {
    const Result result = reader.Open(path);
    if (result != Result::Success) console.Error(command, OpenFailureText(path, result));
    return result == Result::Success;
}

}  // namespace vexa::cli
