// Watches a process for windows a person could see, from its start to its end: a thread polls
// the top-level windows every 2 ms (a window takes longer than that to be created and shown).
//
// What counts as a window appearing: a top-level window of the process that is visible, or one
// of the dialog class (#32770) in any state. A message box or dialog is created hidden and shown
// a moment later, and exists only to be shown; one that blocks waits for a person, so it stays
// and the polling cannot miss it. Hidden windows of other classes (the IME window Windows gives
// any thread with a message queue, COM's hidden window) are plumbing no one sees; they are
// listed in the description but do not count.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace sfxtest {

class WindowWatch {
  public:
    explicit WindowWatch(DWORD processId);
    ~WindowWatch();  // stops watching
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    void Stop();
    // "class 'caption'" of each window that counts as seen; empty when none appeared.
    std::vector<std::string> Seen() const;
    // The same for the hidden helper windows, for diagnostics.
    std::vector<std::string> HiddenHelpers() const;

  private:
    void Poll();

    DWORD processId_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::set<std::string> seen_;
    std::set<std::string> hidden_;
    std::thread thread_;
};

}  // namespace sfxtest
