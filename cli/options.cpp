#include "options.h"

namespace vexa::cli {

namespace {

const OptionDef* FindLong(const std::vector<OptionDef>& defs, const std::string& name) {
    for (const OptionDef& def : defs)
        if (def.longName == name) return &def;
    return nullptr;
}

const OptionDef* FindShort(const std::vector<OptionDef>& defs, char name) {
    for (const OptionDef& def : defs)
        if (def.shortName != 0 && def.shortName == name) return &def;
    return nullptr;
}

void Store(ParsedArgs& parsed, const OptionDef& def, const std::string* value) {
    if (value) {
        parsed.values[def.longName] = *value;
        parsed.valueLists[def.longName].push_back(*value);
    } else
        parsed.flags.insert(def.longName);
}

}  // namespace

std::optional<std::string> ParsedArgs::Value(const std::string& name) const {
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

std::vector<std::string> ParsedArgs::Values(const std::string& name) const {
    const auto found = valueLists.find(name);
    return found == valueLists.end() ? std::vector<std::string>() : found->second;
}

std::optional<ParsedArgs> ParseOptions(const std::vector<std::string>& args,
                                       const std::vector<OptionDef>& defs, std::string& error) {
    ParsedArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            parsed.operands.insert(parsed.operands.end(), args.begin() + long(i) + 1, args.end());
            break;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg[1] == '-') {
            const size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? equals : equals - 2);
            const OptionDef* def = FindLong(defs, name);
            if (!def) {
                error = "unknown option '--" + name + "'";
                return std::nullopt;
            }
            if (!def->takesValue) {
                if (equals != std::string::npos) {
                    error = "option '--" + name + "' takes no value";
                    return std::nullopt;
                }
                Store(parsed, *def, nullptr);
                continue;
            }
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = "option '--" + name + "' needs a value";
                return std::nullopt;
            }
            Store(parsed, *def, &value);
            continue;
        }
        for (size_t k = 1; k < arg.size(); ++k) {
            const OptionDef* def = FindShort(defs, arg[k]);
            if (!def) {
                error = std::string("unknown option '-") + arg[k] + "'";
                return std::nullopt;
            }
            if (!def->takesValue) {
                Store(parsed, *def, nullptr);
                continue;
            }
            std::string value;
            if (k + 1 < arg.size()) {
                value = arg.substr(k + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = std::string("option '-") + arg[k] + "' needs a value";
                return std::nullopt;
            }
            Store(parsed, *def, &value);
            break;
        }
    }
    return parsed;
}

}  // namespace vexa::cli
