// Command-line options in the usual GNU form: "-o DIR", "-oDIR", "--output DIR",
// "--output=DIR", bundled short flags ("-qy"), options anywhere among the operands, and "--"
// to end the options.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexa::cli {

struct OptionDef {
    std::string longName;  // without the dashes; the key of the parsed result
    char shortName = 0;    // 0 when there is none
    bool takesValue = false;
};

struct ParsedArgs {
    std::vector<std::string> operands;
    std::map<std::string, std::string> values;                   // the last value given
    std::map<std::string, std::vector<std::string>> valueLists;  // every value, in order
    std::set<std::string> flags;
    bool help = false;  // "-h" or "--help" anywhere before "--"

    bool Has(const std::string& name) const { return flags.count(name) || values.count(name); }
    std::optional<std::string> Value(const std::string& name) const;
    // Every value of a repeatable option, in the order given.
    std::vector<std::string> Values(const std::string& name) const;
};

// Parses `args` (without the program and command names); on failure returns nothing and sets
// `error` to a message naming the offending option.
std::optional<ParsedArgs> ParseOptions(const std::vector<std::string>& args,
                                       const std::vector<OptionDef>& defs, std::string& error);

}  // namespace vexa::cli
