#include "window_watch.h"

#include <chrono>

#include "gui_session.h"

namespace sfxtest {

namespace {

std::string Describe(HWND window) {
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof name);
    // GetWindowTextA reads another process's caption without sending it a message, so a
    // window whose thread is busy cannot stall the watch.
    char caption[256] = "";
    ::GetWindowTextA(window, caption, sizeof caption);
    return std::string(name) + " '" + caption + "'";
}

}  // namespace

WindowWatch::WindowWatch(DWORD processId) : processId_(processId), thread_([this] { Poll(); }) {}

WindowWatch::~WindowWatch() {
    Stop();
}

void WindowWatch::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void WindowWatch::Poll() {
    while (!stop_) {
        for (HWND window : TopLevelWindows(processId_)) {
            char name[64] = "";
            ::GetClassNameA(window, name, sizeof name);
            const bool counts = ::IsWindowVisible(window) || std::string(name) == "#32770";
            const std::lock_guard lock(mutex_);
            (counts ? seen_ : hidden_).insert(Describe(window));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::vector<std::string> WindowWatch::Seen() const {
    const std::lock_guard lock(mutex_);
    return {seen_.begin(), seen_.end()};
}

std::vector<std::string> WindowWatch::HiddenHelpers() const {
    const std::lock_guard lock(mutex_);
    return {hidden_.begin(), hidden_.end()};
}

}  // namespace sfxtest
