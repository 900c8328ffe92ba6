// An interrupted command (SIGINT or SIGTERM; Ctrl+C, Ctrl+Break or a closed console on
// Windows) ends at once, but first removes the files it was writing, so that no cut file
// outlives it under any name.
#pragma once

#include <string>

namespace vexa::cli {

// Installs the handlers; later calls do nothing.
void InstallInterruptHandlers();

// While it lives, an interrupt removes `path` before the process ends. Only a few files can be
// registered at once; registration beyond that is ignored.
class RemoveOnInterrupt {
  public:
    explicit RemoveOnInterrupt(const std::string& path);
    ~RemoveOnInterrupt();
    RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
    RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;

  private:
    int slot_;
};

namespace interrupt_detail {

// Removes every registered file; safe to call from a signal handler.
void RemoveRegisteredFiles();
// Removes one file (per platform, safe in a signal handler).
void RemoveFile(const char* path);
// Installs the platform's handlers (called once).
void InstallPlatformHandlers();

}  // namespace interrupt_detail

}  // namespace vexa::cli
