// Where the program's DLLs may come from. On Windows a DLL loaded by name is looked for in the
// program's own folder first, where a download may have put one: vexa.exe restricts the search
// to System32 (win32/system_libraries.h) before anything else. Other systems have nothing to do.
#pragma once

namespace vexa::cli {

void RestrictLibrarySearch();

}  // namespace vexa::cli
