// The command line as the self-extractor reads it: from the wide (UTF-16) one, so that no
// character the ANSI code page lacks reaches the switches as a look-alike ("．．" as "..",
// "／Ｓ" as "/S", "＂" as a quote).
#pragma once

#include <cstddef>

namespace sfx {

// `arguments` in the ANSI code page; a character the code page cannot hold becomes '?', never a
// similar character. Allocated with new[] for the caller (the entry point keeps the command
// line's for the life of the process).
char* AnsiArguments(const wchar_t* arguments);

// Finds the first blank-separated word of `arguments` that the ANSI code page cannot carry
// exactly, and writes it to `word` as AnsiArguments gives it ('?' in place of what is lost),
// cut to `wordSize`. False when every word comes through unchanged.
bool FindInexactWord(const wchar_t* arguments, char* word, size_t wordSize);

}  // namespace sfx
