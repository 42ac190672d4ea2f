#include "mainwindow/HookLibrary_win.h"


namespace {
constexpr wchar_t kLibraryName[] = L"ZuHOOK.DLL";
constexpr wchar_t kTag[] = L"z24hk";  // five characters the library is told, with the number 13
constexpr int kTagNumber = 13;
}  // namespace

void HookLibrary::Start(HWND) {
    // Always the full path in the program's folder, so no other copy can be picked up.
    std::wstring path = programDir_ + kLibraryName;
    module_.Reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module_) return;
    using SetHookFunction = BOOL(WINAPI*)(HWND board, int enable, const wchar_t* tag, int number);
    auto setHook = reinterpret_cast<SetHookFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_.Get(), "SetHook")));
    if (setHook) setHook(board_, 1, kTag, kTagNumber);
    (void)GetProcAddress(module_.Get(), "CBTProc");  // looked up; nothing uses it
}

bool HookLibrary::Stop() noexcept {
    module_.Reset();
    return true;
}
