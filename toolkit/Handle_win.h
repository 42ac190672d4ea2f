#pragma once
// One move-only owner for every kind of Windows handle. Each kind names its invalid value and how it is
// released: CreateFileW fails with INVALID_HANDLE_VALUE while CreateEventW fails with null, so the two are
// different kinds and cannot be mixed up. Handles are never copied.
#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    Type Release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void Reset(Type value = Traits::Invalid()) noexcept {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Type value_ = Traits::Invalid();
};

namespace handle_traits {
struct Kernel {  // events, threads, semaphores: null when creation failed
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};
struct File {  // CreateFileW (HID interfaces too): INVALID_HANDLE_VALUE when opening failed
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};
struct RegKey {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { RegCloseKey(h); }
};
template <typename T>
struct GdiObject {  // bitmaps, regions, brushes, fonts
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DeleteObject(h); }
};
struct MemoryDc {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DeleteDC(h); }
};
struct Menu {
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DestroyMenu(h); }
};
struct Module {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { FreeLibrary(h); }
};
struct MouseHook {
    using Type = HHOOK;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { UnhookWindowsHookEx(h); }
};
struct WinEventHook {
    using Type = HWINEVENTHOOK;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { UnhookWinEvent(h); }
};
struct LocalMemory {
    using Type = HLOCAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { LocalFree(h); }
};
}  // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::Kernel>;
using UniqueFileHandle = UniqueHandle<handle_traits::File>;
using UniqueRegKey = UniqueHandle<handle_traits::RegKey>;
using UniqueBitmap = UniqueHandle<handle_traits::GdiObject<HBITMAP>>;
using UniqueRegion = UniqueHandle<handle_traits::GdiObject<HRGN>>;
using UniqueMemoryDc = UniqueHandle<handle_traits::MemoryDc>;
using UniqueMenu = UniqueHandle<handle_traits::Menu>;
using UniqueModule = UniqueHandle<handle_traits::Module>;
using UniqueMouseHook = UniqueHandle<handle_traits::MouseHook>;
using UniqueWinEventHook = UniqueHandle<handle_traits::WinEventHook>;
using UniqueLocalMemory = UniqueHandle<handle_traits::LocalMemory>;
