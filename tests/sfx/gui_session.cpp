#include "gui_session.h"

#include <commctrl.h>

#include <algorithm>
#include <thread>

namespace sfxtest {

namespace {

// The static control holding a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

struct FindContext {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto* context = reinterpret_cast<FindContext*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == context->processId) context->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
    std::vector<HWND> windows = TopLevelWindows(processId);
    std::erase_if(windows, [](HWND window) { return !::IsWindowVisible(window); });
    return windows;
}

std::string ClassName(HWND window) {
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
    FindContext context{processId, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
    return context.windows;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               std::chrono::milliseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

std::string WindowText(HWND window) {
    const LRESULT length = ::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(size_t(length) + 1, '\0');
    const LRESULT copied =
        ::SendMessageA(window, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(size_t(copied));
    return text;
}

SfxProcess::SfxProcess(const std::string& exe, const std::string& workingDirectory,
                       const std::string& arguments) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingDirectory.c_str(), &startup, &info))
        return;
    const vexa::win32::KernelObject thread(info.hThread);
    process_.Reset(info.hProcess);
    processId_ = info.dwProcessId;
}

SfxProcess::SfxProcess(const std::wstring& exe, const std::wstring& workingDirectory,
                       const std::wstring& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingDirectory.c_str(), &startup, &info))
        return;
    const vexa::win32::KernelObject thread(info.hThread);
    process_.Reset(info.hProcess);
    processId_ = info.dwProcessId;
}

SfxProcess::~SfxProcess() {
    if (process_ && Running()) {
        ::TerminateProcess(process_.Get(), 99);
        ::WaitForSingleObject(process_.Get(), 5000);
    }
}

HWND SfxProcess::WaitForDialog(const std::string& caption) {
    WaitUntil([&] {
        for (HWND window : VisibleTopLevelWindows(processId_))
            if (WindowText(window) == caption) dialog_ = window;
        return dialog_ != nullptr || !Running();
    });
    return dialog_;
}

std::vector<MessageBoxView> SfxProcess::MessageBoxes() const {
    std::vector<MessageBoxView> boxes;
    for (HWND window : VisibleTopLevelWindows(processId_)) {
        if (window == dialog_ || ClassName(window) != "#32770") continue;
        const HWND text = ::GetDlgItem(window, kMessageBoxTextId);
        if (!text) continue;  // some other dialog, such as the folder picker
        MessageBoxView view;
        view.window = window;
        view.caption = WindowText(window);
        view.text = WindowText(text);
        view.owner = ::GetWindow(window, GW_OWNER);
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
            const HWND button = ::GetDlgItem(window, id);
            if (button && ::IsWindowVisible(button)) view.buttons.push_back(id);
        }
        boxes.push_back(view);
    }
    return boxes;
}

std::vector<HWND> SfxProcess::OtherDialogs() const {
    std::vector<HWND> dialogs;
    for (HWND window : VisibleTopLevelWindows(processId_))
        if (window != dialog_ && ClassName(window) == "#32770" &&
            !::GetDlgItem(window, kMessageBoxTextId))
            dialogs.push_back(window);
    return dialogs;
}

std::optional<MessageBoxView> SfxProcess::WaitForMessageBox(const std::string& caption) {
    std::optional<MessageBoxView> found;
    WaitUntil([&] {
        for (const MessageBoxView& box : MessageBoxes())
            if (box.caption == caption) found = box;
        return found.has_value() || !Running();
    });
    return found;
}

bool SfxProcess::Answer(const MessageBoxView& box, int button) {
    const HWND control = ::GetDlgItem(box.window, button);
    ::PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
    return WaitUntil([&] { return !::IsWindow(box.window) || !::IsWindowVisible(box.window); });
}

void SfxProcess::Press(int id) {
    ::PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog_, id)));
}

void SfxProcess::SetText(int id, const std::string& text) {
    ::SendMessageA(::GetDlgItem(dialog_, id), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(text.c_str()));
}

std::string SfxProcess::Text(int id) const {
    return WindowText(::GetDlgItem(dialog_, id));
}

bool SfxProcess::Enabled(int id) const {
    return ::IsWindowEnabled(::GetDlgItem(dialog_, id));
}

bool SfxProcess::Checked(int id) const {
    return ::SendMessageA(::GetDlgItem(dialog_, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SfxProcess::Click(int id) {
    ::SendMessageA(::GetDlgItem(dialog_, id), BM_CLICK, 0, 0);
}

int SfxProcess::ProgressPosition() const {
    return int(::SendMessageA(::GetDlgItem(dialog_, 1004), PBM_GETPOS, 0, 0));
}

std::vector<std::string> SfxProcess::ListItems(int id) const {
    // Read as UTF-16: that is the form a list box hands to another process reliably.
    const HWND list = ::GetDlgItem(dialog_, id);
    std::vector<std::string> items;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
        if (length < 0) break;
        std::wstring wide(size_t(length) + 1, L'\0');
        const LRESULT copied =
            ::SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&wide[0]));
        wide.resize(copied < 0 ? 0 : std::min(size_t(copied), size_t(length)));
        std::string item(wide.size() * 2 + 1, '\0');
        const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), &item[0],
                                                int(item.size()), nullptr, nullptr);
        item.resize(size_t(bytes > 0 ? bytes : 0));
        items.push_back(item);
    }
    return items;
}

void SfxProcess::PressKey(WPARAM virtualKey) {
    // The dialog's message loop turns the key into the command of its default or cancel id.
    const HWND target = ::GetDlgItem(dialog_, 1000);
    ::PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
    ::PostMessageA(target, WM_KEYUP, virtualKey, 1 | (1u << 30) | (1u << 31));
}

void SfxProcess::CloseBox() {
    ::PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::optional<DWORD> SfxProcess::WaitForExit(std::chrono::milliseconds limit) {
    if (::WaitForSingleObject(process_.Get(), DWORD(limit.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.Get(), &code);
    return code;
}

bool SfxProcess::Running() const {
    return ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

}  // namespace sfxtest
