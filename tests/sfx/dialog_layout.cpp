#include "dialog_layout.h"

#include <cstdio>
#include <vector>

#include "gdi_handles.h"

namespace sfxtest {

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM children) {
    reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
    return TRUE;
}

std::string Line(const char* format, auto... values) {
    char line[160];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

}  // namespace

std::string DescribeLayout(HWND dialog) {
    RECT client;
    if (!::GetClientRect(dialog, &client)) return {};
    const ScreenDc screen(::GetDC(nullptr));
    std::string layout = Line("dpi %d\n", ::GetDeviceCaps(screen.Get(), LOGPIXELSY));
    layout += Line("client %ld %ld\n", client.right, client.bottom);
    std::vector<HWND> children;
    ::EnumChildWindows(dialog, CollectChild, LPARAM(&children));
    int index = 0;
    for (HWND child : children) {
        if (::GetParent(child) != dialog) continue;  // a control's own parts
        RECT rect;
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        char className[64] = "";
        ::GetClassNameA(child, className, sizeof className);
        layout += Line("control %d %d %s %ld %ld %ld %ld\n", index++, ::GetDlgCtrlID(child),
                       className, rect.left, rect.top, rect.right, rect.bottom);
    }
    return layout;
}

}  // namespace sfxtest
