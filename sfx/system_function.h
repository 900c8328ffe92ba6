// A function of a Windows DLL taken from the system folder only, never from the program's own
// folder: a DLL planted beside a downloaded self-extractor must not run inside it.
#pragma once

#include <windows.h>

namespace sfx {

// Null when the DLL or the function is not there.
template <class Function>
Function* SystemFunction(const char* dll, const char* name) {
    const HMODULE module = ::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) return nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace sfx
