// The Browse button's folder picker. Its DLLs (shell32, ole32) are loaded from System32 when it
// first opens, so a self-extractor that is never browsed never loads them.
#pragma once

#include <windows.h>

namespace sfx {

enum class FolderPick {
    Picked,      // `path` holds the folder
    None,        // cancelled, or an item without a file-system path
    Unavailable  // the system's picker could not be loaded: Browse is then turned off
};

FolderPick PickFolder(HWND owner, char (&path)[MAX_PATH]);

// COM's DLL: the picker's, and loaded before the dialog opens (main.cpp says why). One object,
// so its name is stored once.
inline constexpr char kComLibrary[] = "ole32.dll";

}  // namespace sfx
