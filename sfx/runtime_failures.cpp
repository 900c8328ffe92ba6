// The runtime's failure routines for a program built without exceptions. The library code the
// stub links (containers, std::function) calls these where a normal build would throw; the
// stub shows what happened and ends instead. Defining them here also keeps libstdc++'s own
// versions, and with them its exception and string code, out of the executable.
#include "runtime_failures.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "run_log.h"

namespace sfx {

namespace {

std::atomic<void (*)()> g_cleanup{nullptr};

[[noreturn]] void Stop(const char* text, unsigned exitCode) {
    LogLine("Error: %s", text);
    if (!Silent()) ::MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    // Taken first: a stop inside the cleanup ends the process without running it again.
    if (void (*cleanup)() = g_cleanup.exchange(nullptr)) cleanup();
    ::ExitProcess(exitCode);
}

}  // namespace

void SetCleanupBeforeStop(void (*cleanup)()) {
    g_cleanup = cleanup;
}

void StopForInternalError() {
    Stop("The self-extractor met an internal error and has to stop.", kExitInternalError);
}

void StopForLackOfMemory() {
    Stop("There is not enough memory to go on; the self-extractor has to stop.",
         kOutOfMemoryExitCode);
}

}  // namespace sfx

// Plain new never returns null: a failed allocation ends the program with its box.
void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    sfx::StopForLackOfMemory();
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

namespace std {

void __throw_bad_alloc() {
    sfx::StopForLackOfMemory();
}
void __throw_bad_array_new_length() {
    sfx::StopForLackOfMemory();
}
void __throw_length_error(const char*) {
    sfx::StopForLackOfMemory();
}
void __throw_logic_error(const char*) {
    sfx::StopForInternalError();
}
void __throw_out_of_range_fmt(const char*, ...) {
    sfx::StopForInternalError();
}
void __throw_bad_function_call() {
    sfx::StopForInternalError();
}

}  // namespace std

namespace __gnu_cxx {
// Nothing in the stub prints to a console; the verbose handler would only add its demangler.
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
