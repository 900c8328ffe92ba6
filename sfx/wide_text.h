// Text for the system's wide (UTF-16) functions, which reach every name the file system holds.
#pragma once

#include "buffer_sizes.h"

namespace sfx {

// Bytes in the ANSI code page (entry names as the archive stores them, and the paths made from
// them) as UTF-16, turned as the system's ANSI functions turn them. Up to the length of the
// longest destination path; empty when the text cannot be turned.
class WideFromAnsi {
  public:
    explicit WideFromAnsi(const char* bytes);
    const wchar_t* get() const { return text_; }

  private:
    wchar_t text_[kDestinationPathSize + 1];
};

}  // namespace sfx
