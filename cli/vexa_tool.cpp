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
    {"extract", RunExtract}, {"sfx", RunSfx},
};

int Dispatch(const Args& args, Console& console) {
    if (args.empty()) {
        console.err << kToolUsage;
        return kExitUsage;
    }
    const std::string& first = args[0];
    if (first == "-h" || first == "--help" || first == "help") {
        console.out << kToolUsage;
        return kExitSuccess;
    }
    for (const NamedCommand& command : kCommands) {
        if (first == command.name) return command.run(Args(args.begin() + 1, args.end()), console);
    }
    console.err << "vexa: unknown command '" << first << "'\nTry 'vexa --help'.\n";
    return kExitUsage;
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
