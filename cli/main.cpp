// vexa: creates, lists, tests and extracts archives and makes self-extractors.
#include <iostream>

#include "commands.h"
#include "host_fs.h"
#include "interrupt.h"
#include "library_search.h"

int main(int argc, char** argv) {
    using namespace vexa::cli;
    RestrictLibrarySearch();  // before anything can load a DLL
    InstallInterruptHandlers();
    Console console{std::cout, std::cerr, fs::StderrIsTerminal(),
                    fs::ProgramDirectory(argc > 0 ? argv[0] : nullptr)};
    const int status = RunVexa(fs::CommandArguments(argc, argv), console);
    std::cout.flush();
    return std::cout.good() ? status : kExitUsage;
}
