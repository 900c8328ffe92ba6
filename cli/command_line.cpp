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

bool OpenArchive(const std::string& command, const std::string& path, ArchiveReader& reader,
                 Console& console) {
    const uint32_t result = reader.Open(path);
    if (result != 0) console.Error(command, path + ": " + ResultText(result));
    return result == 0;
}

}  // namespace vexa::cli
