#include "wide_text.h"

#include <windows.h>

namespace sfx {

WideFromAnsi::WideFromAnsi(const char* bytes) {
    if (::MultiByteToWideChar(CP_ACP, 0, bytes, -1, text_, int(sizeof text_ / sizeof *text_)) <= 0)
        text_[0] = L'\0';
}

}  // namespace sfx
