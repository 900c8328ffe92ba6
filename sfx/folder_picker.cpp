#include "folder_picker.h"

#include <objbase.h>
#include <shlobj.h>

#include "system_libraries.h"

namespace sfx {

namespace {

using vexa::win32::SystemFunction;

// The picker's functions, typed by their declarations; any of them may be missing.
struct PickerFunctions {
    decltype(::CoInitialize)* coInitialize;
    decltype(::CoUninitialize)* coUninitialize;
    decltype(::CoTaskMemFree)* coTaskMemFree;
    decltype(::SHBrowseForFolderA)* browseForFolder;
    decltype(::SHGetPathFromIDListA)* pathFromIdList;

    bool Complete() const {
        return coInitialize && coUninitialize && coTaskMemFree && browseForFolder && pathFromIdList;
    }
};

PickerFunctions LoadPickerFunctions() {
    return {
        SystemFunction<decltype(::CoInitialize)>(kComLibrary, "CoInitialize"),
        SystemFunction<decltype(::CoUninitialize)>(kComLibrary, "CoUninitialize"),
        SystemFunction<decltype(::CoTaskMemFree)>(kComLibrary, "CoTaskMemFree"),
        SystemFunction<decltype(::SHBrowseForFolderA)>("shell32.dll", "SHBrowseForFolderA"),
        SystemFunction<decltype(::SHGetPathFromIDListA)>("shell32.dll", "SHGetPathFromIDListA"),
    };
}

// COM for the picker's new dialog style, for the duration of one Browse.
class ComApartment {
  public:
    explicit ComApartment(const PickerFunctions& functions)
        : uninitialise_(SUCCEEDED(functions.coInitialize(nullptr)) ? functions.coUninitialize
                                                                   : nullptr) {}
    ~ComApartment() {
        if (uninitialise_) uninitialise_();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    decltype(::CoUninitialize)* uninitialise_;
};

// The item list the picker hands out.
class PickedItem {
  public:
    PickedItem(ITEMIDLIST* list, const PickerFunctions& functions)
        : list_(list), free_(functions.coTaskMemFree) {}
    ~PickedItem() {
        if (list_) free_(list_);
    }
    PickedItem(const PickedItem&) = delete;
    PickedItem& operator=(const PickedItem&) = delete;

    ITEMIDLIST* Get() const { return list_; }

  private:
    ITEMIDLIST* list_;
    decltype(::CoTaskMemFree)* free_;
};

}  // namespace

FolderPick PickFolder(HWND owner, char (&path)[MAX_PATH]) {
    const PickerFunctions functions = LoadPickerFunctions();
    if (!functions.Complete()) return FolderPick::Unavailable;
    const ComApartment com(functions);
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.lpszTitle = "Select the folder to extract to";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_UAHINT;  // 0x0141
    const PickedItem picked(functions.browseForFolder(&info), functions);
    if (!picked.Get()) return FolderPick::None;
    return functions.pathFromIdList(picked.Get(), path) ? FolderPick::Picked : FolderPick::None;
}

}  // namespace sfx
