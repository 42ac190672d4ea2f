#include "toolkit/Dwm_win.h"

#include <string>

HMODULE LoadFromSystemFolder(const wchar_t* name) {
    // LOAD_LIBRARY_SEARCH_SYSTEM32 needs Windows 8, or Windows 7 with the loader update; where the flag is not
    // understood the call fails with ERROR_INVALID_PARAMETER and the full system path does the same job.
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::wstring path(folder, n);
    path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

namespace {

template <typename FunctionPointer>
void Find(HMODULE module, const char* name, FunctionPointer& out) {
    out = reinterpret_cast<FunctionPointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

const DwmEntryPoints& DwmFunctions() {
    static DwmEntryPoints entries;
    static const HMODULE library = LoadDwmEntryPoints(entries);
    (void)library;
    return entries;
}

HMODULE LoadDwmEntryPoints(DwmEntryPoints& entries) {
    HMODULE module = LoadFromSystemFolder(L"dwmapi.dll");
    if (!module) return nullptr;
    Find(module, "DwmUpdateThumbnailProperties", entries.DwmUpdateThumbnailProperties);
    Find(module, "DwmQueryThumbnailSourceSize", entries.DwmQueryThumbnailSourceSize);
    Find(module, "DwmRegisterThumbnail", entries.DwmRegisterThumbnail);
    Find(module, "DwmUnregisterThumbnail", entries.DwmUnregisterThumbnail);
    // DwmSetWindowAttribute is looked up as well, though nothing calls it.
    (void)GetProcAddress(module, "DwmSetWindowAttribute");
    Find(module, "DwmIsCompositionEnabled", entries.DwmIsCompositionEnabled);
    return module;
}
