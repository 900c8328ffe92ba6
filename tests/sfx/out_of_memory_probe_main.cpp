// A program built like the stub, with the stub's failure routines, that runs out of memory on
// purpose: "allocation" asks a container for more than the address space can give, "length"
// for more elements than a container can ever hold.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
// Global, so that the compiler cannot drop the allocation. Made by a static constructor and never
// destroyed, as the stub's entry point wants it: it runs the constructors, and a static
// destructor would need the runtime's atexit table, which that entry point leaves out.
std::vector<uint8_t>& g_buffer = *new std::vector<uint8_t>;
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    if (std::strstr(commandLine, "allocation")) {
        // The most a vector may ask for: half the address space, which no process gets in one
        // piece (2 GiB in a 32-bit process, 8 EiB in a 64-bit one).
        g_buffer.reserve(g_buffer.max_size());
    } else if (std::strstr(commandLine, "length")) {
        g_buffer.resize(g_buffer.max_size() + size_t(g_buffer.size() + 1));
    }
    return int(g_buffer.capacity() & 1);
}
