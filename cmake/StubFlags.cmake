# Build flags of the self-extractor stub and of the library objects linked into it. The stub
# is added to every download, so its objects leave out the exception and type-information
# machinery (no unwinder, no libstdc++ string and exception code) and the thread-safe guards of
# local statics (which would pull in the posix thread library); sfx/runtime_failures.cpp then
# stands in for the runtime's throw routines and operator new. vexa and the tests keep the
# project's flags.
function(vexa_use_stub_flags target)
  # -ffunction-sections lets the linker drop unused functions; -fdata-sections stays off,
  # since it would move the decoder's large zero-initialised table into the file.
  target_compile_options(${target} PRIVATE
    -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics -ffunction-sections)
  # 64-bit Windows unwinds through table data (.pdata/.xdata) that every non-leaf function needs,
  # also to pass a fault in a callback from user32 on to the system; only 32 bits can drop it.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
  endif()
endfunction()

# Links TARGET with the stub's own entry point (the object library sfx_entry, sfx/entry.cpp) in
# place of the runtime's start-up code, which brings argv parsing, atexit tables, the pseudo-
# relocation fixer, TLS callbacks and error handlers the stub never uses (about 7 KiB). Without
# that fixer, data of a DLL must be reached through its import (dllimport): auto-import is off,
# so a reference that needs a fix at run time fails the link instead of the program.
function(vexa_use_stub_entry target)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:sfx_entry>)
  # i686 names of C functions carry a leading underscore. With the start-up code gone, nothing
  # registers the 32-bit DWARF frame tables: they are dropped (64 bits keep .pdata/.xdata).
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _SfxEntry)
    set(drop_frames ${PROJECT_SOURCE_DIR}/cmake/StubDropFrameTables.ld)
    target_link_options(${target} PRIVATE -Wl,-T,${drop_frames})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${drop_frames})
  else()
    set(entry SfxEntry)
  endif()
  target_link_options(${target} PRIVATE -nostartfiles -Wl,-e,${entry} -Wl,--disable-auto-import)
endfunction()
