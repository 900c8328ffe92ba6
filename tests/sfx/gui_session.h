// Drives a running self-extractor from outside its process: finds its dialog and message
// boxes, reads and operates their controls, and waits for the process to end.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "unique_handle.h"

namespace sfxtest {

using namespace std::chrono_literals;
constexpr std::chrono::milliseconds kWaitLimit = 15s;

// Polls `condition` every `interval` until it holds or the limit passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = kWaitLimit,
               std::chrono::milliseconds interval = 2ms);

// A message box of the driven process, as the user sees it.
struct MessageBoxView {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    std::vector<int> buttons;  // ids of the visible buttons: IDYES, IDNO, IDCANCEL, IDOK
};

std::string WindowText(HWND window);

// The top-level windows of a process, visible or not.
std::vector<HWND> TopLevelWindows(DWORD processId);

class SfxProcess {
  public:
    // Starts `exe` with `workingDirectory` as its current directory and `arguments` after the
    // program's name on its command line.
    SfxProcess(const std::string& exe, const std::string& workingDirectory,
               const std::string& arguments = "");
    // The same through the wide interface, for a program path and arguments that the ANSI code
    // page cannot spell.
    SfxProcess(const std::wstring& exe, const std::wstring& workingDirectory,
               const std::wstring& arguments);
    ~SfxProcess();  // a process still running is terminated
    SfxProcess(const SfxProcess&) = delete;
    SfxProcess& operator=(const SfxProcess&) = delete;

    bool Started() const { return bool(process_); }

    // The extraction dialog once it is visible with `caption` (a branded self-extractor has its
    // maker's); null when it does not appear in time.
    HWND WaitForDialog(const std::string& caption = "Tarnwick Archiver self-extractor");
    HWND Dialog() const { return dialog_; }

    // The visible message boxes of the process (not the extraction dialog).
    std::vector<MessageBoxView> MessageBoxes() const;
    // Other dialog windows of the process, such as the folder picker.
    std::vector<HWND> OtherDialogs() const;
    // Waits for a message box with this caption.
    std::optional<MessageBoxView> WaitForMessageBox(const std::string& caption);
    // Presses a button of a message box (IDYES, IDNO, IDCANCEL, IDOK) and waits until the box
    // is gone.
    bool Answer(const MessageBoxView& box, int button);

    // Presses a dialog button the way a click does (the notification is posted, so a
    // question the press opens does not block the driver).
    void Press(int id);
    void SetText(int id, const std::string& text);
    std::string Text(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    void Click(int id);  // toggles a check box
    int ProgressPosition() const;
    std::vector<std::string> ListItems(int id) const;
    // Sends a key press to the dialog's focused control (Escape, Enter).
    void PressKey(WPARAM virtualKey);
    // The close box of the caption.
    void CloseBox();

    // Waits for the process to end; its exit code, or empty on time-out.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit = kWaitLimit);
    bool Running() const;
    DWORD ProcessId() const { return processId_; }

  private:
    vexa::win32::KernelObject process_;
    DWORD processId_ = 0;
    HWND dialog_ = nullptr;
};

}  // namespace sfxtest
