// One owner type for Win32 handles, shared by the reader, the command-line tool, the
// self-extractor and their tests: whatever the kind of handle, it is released exactly once, on
// every path.
#pragma once

#include <windows.h>

#include <utility>

namespace vexa::win32 {

// Owns one handle of the kind `Traits` describes: `Traits::Handle` is its type,
// `Traits::Empty()` the value that means none (null for threads and events,
// INVALID_HANDLE_VALUE for files and searches), and `Traits::Release` gives it back.
template <class Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }
    // Gives up ownership without releasing.
    Handle Release() { return std::exchange(handle_, Traits::Empty()); }
    void Reset(Handle handle = Traits::Empty()) {
        if (*this) Traits::Release(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = Traits::Empty();
};

// Threads, processes and events: null when there is none.
struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Release(Handle handle) { ::CloseHandle(handle); }
};
using KernelObject = UniqueHandle<KernelObjectTraits>;

// Files opened with CreateFileA or CreateFileW: INVALID_HANDLE_VALUE when there is none.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle handle) { ::CloseHandle(handle); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// Searches started with FindFirstFileA or FindFirstFileW.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle handle) { ::FindClose(handle); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace vexa::win32
