#include <exception>
#include <new>

#include "commands.h"
#include "usage.h"

namespace vexa::cli {

namespace {

using Command = int (*)(const Args&, Console&);

struct NamedCommand {
    const char* name;
    Command run;
};

constexpr NamedCommand kCommands[] = {
    {"create", RunCreate},   {"list", RunList}, {"test", RunTest},
    {"extract", RunExtract}, {"sfx", RunSfx},   {"info", RunInfo},
};

const NamedCommand* FindCommand(const std::string& name) {
    for (const NamedCommand& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

int UnknownCommand(const std::string& name, Console& console) {
    console.err << "vexa: unknown command '" << name << "'\nTry 'vexa --help'.\n";
    return kExitUsage;
}

// `vexa help [COMMAND]`: the tool's help, or a command's as `COMMAND --help` gives it.
int Help(const Args& args, Console& console) {
    if (args.size() < 2) {
        console.out << kToolUsage;
        return kExitSuccess;
    }
    if (args.size() > 2) {
        console.err << "vexa help: takes one command name\nTry 'vexa --help'.\n";
        return kExitUsage;
    }
    const NamedCommand* command = FindCommand(args[1]);
    if (!command) return UnknownCommand(args[1], console);
    return command->run({"--help"}, console);
}

int Dispatch(const Args& args, Console& console) {
    if (args.empty()) {
        console.err << kToolUsage;
        return kExitUsage;
    }
    const std::string& first = args[0];
    if (first == "-h" || first == "--help") {
        console.out << kToolUsage;
        return kExitSuccess;
    }
    if (first == "help") return Help(args, console);
    if (first == "--version" || first == "-V") {
        console.out << kVersionText;
        return kExitSuccess;
    }
    if (const NamedCommand* command = FindCommand(first))
        return command->run(Args(args.begin() + 1, args.end()), console);
    return UnknownCommand(first, console);
}

}  // namespace

int RunVexa(const Args& args, Console& console) {
    // Whatever goes wrong below ends in a message and an exit status, never a crash.
    try {
        return Dispatch(args, console);
    } catch (const std::bad_alloc&) {
        console.err << "vexa: out of memory\n";
    } catch (const std::exception& e) {
        console.err << "vexa: " << e.what() << '\n';
    } catch (...) {
        console.err << "vexa: unexpected failure\n";
    }
    return kExitUsage;
}

}  // namespace vexa::cli
