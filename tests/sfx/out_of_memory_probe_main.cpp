// A program built like the stub, with the stub's failure routines, that runs out of memory on
// purpose: "allocation" asks a container for more than the address space can give, "length"
// for more elements than a container can ever hold.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
// Global, so that the compiler cannot drop the allocation.
std::vector<uint8_t> g_buffer;
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    if (std::strstr(commandLine, "allocation")) {
        g_buffer.reserve(0x7FFF0000);  // no 32-bit process has that much room in one piece
    } else if (std::strstr(commandLine, "length")) {
        g_buffer.resize(g_buffer.max_size() + size_t(g_buffer.size() + 1));
    }
    return int(g_buffer.capacity() & 1);
}
