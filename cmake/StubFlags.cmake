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
