// The stub's entry point, in place of the MinGW runtime's start-up code (crt2.o). The stub needs
// none of what that code sets up: no argv (WinMain gets the command line as text), no atexit
// table (no static object has a destructor; atexit is not even linkable without that code), no
// pseudo-relocations (the link refuses auto-imported data), no TLS directory or callbacks, no
// signal or math-error handlers, no FPU reset (doubles live in SSE registers). msvcrt.dll
// initialises itself in its own DllMain, which is all its functions the stub calls (malloc,
// _vsnprintf, _splitpath, the string functions) need.
#include <windows.h>

#include "command_line_text.h"
#include "program_arguments.h"

extern "C" {
// Both made by the linker: the image's own header, and the list of constructors of namespace-
// scope objects with dynamic initialisers ({-1, constructors..., 0}).
extern IMAGE_DOS_HEADER __ImageBase;
extern void (*__CTOR_LIST__[])();
}

namespace {

// In the order the runtime's __do_global_ctors runs them: last entry first.
void RunStaticConstructors() {
    int count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (; count > 0; --count) __CTOR_LIST__[count]();
}

int ShowCommand() {
    STARTUPINFOA startup;
    ::GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

// Named by the link (-e); never returns. The loader may leave a 32-bit stack aligned to 4 bytes
// only, while code built with SSE2 assumes 16.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void SfxEntry() {
    RunStaticConstructors();
    const auto instance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    // From the wide command line: the ANSI one would bring look-alikes of what the code page
    // lacks.
    char* arguments = sfx::AnsiArguments(sfx::SkipProgramName(::GetCommandLineW()));
    ::ExitProcess(static_cast<UINT>(::WinMain(instance, nullptr, arguments, ShowCommand())));
}
