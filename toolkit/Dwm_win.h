#pragma once
// The Desktop Window Manager's thumbnail functions, looked up at run time so that the program also starts
// where "dwmapi.dll" is missing. Every pointer is null when the library or the function is not there; the
// switcher then works with captured pictures instead of live thumbnails.
#include <windows.h>

struct DwmEntryPoints {
    HRESULT(WINAPI* DwmUpdateThumbnailProperties)(HANDLE thumbnail, const void* properties) = nullptr;
    HRESULT(WINAPI* DwmQueryThumbnailSourceSize)(HANDLE thumbnail, SIZE* size) = nullptr;
    HRESULT(WINAPI* DwmRegisterThumbnail)(HWND destination, HWND source, HANDLE* thumbnail) = nullptr;
    HRESULT(WINAPI* DwmUnregisterThumbnail)(HANDLE thumbnail) = nullptr;
    HRESULT(WINAPI* DwmIsCompositionEnabled)(BOOL* enabled) = nullptr;
};

// The entry points, looked up on the first call and kept for the program's life (the library stays loaded):
// the switcher's start asks first, on the UI thread, before any overview thread or the board can. Any thread
// after that; what it returns never changes.
const DwmEntryPoints& DwmFunctions();

// Loads "dwmapi.dll" from the system folder only - never from the program's or the current folder, where a
// planted copy could be waiting - and looks the functions up. Returns the module (kept for the program's
// life) or null.
HMODULE LoadDwmEntryPoints(DwmEntryPoints& entries);

// Loads `name` from the system folder only (LOAD_LIBRARY_SEARCH_SYSTEM32, or the full system path where that
// flag is not understood). Null when it is not there.
HMODULE LoadFromSystemFolder(const wchar_t* name);
