// vexa: creates, lists, tests and extracts archives and makes self-extractors.
#include <iostream>

#include "commands.h"
#include "host_fs.h"

int main(int argc, char** argv) {
    using namespace vexa::cli;
    Console console{std::cout, std::cerr, fs::StderrIsTerminal(),
                    fs::ProgramDirectory(argc > 0 ? argv[0] : nullptr)};
    const Args args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int status = RunVexa(args, console);
    std::cout.flush();
    return std::cout.good() ? status : kExitUsage;
}
