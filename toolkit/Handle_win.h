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
// Most kinds are null when creation failed and have one release function.
template <typename T, auto Release>
struct NullInvalid {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { Release(h); }
};
using Kernel = NullInvalid<HANDLE, &CloseHandle>;  // events, threads, semaphores
struct File {  // CreateFileW (HID interfaces too): INVALID_HANDLE_VALUE when opening failed
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};
}  // namespace handle_traits

namespace handle_traits {
inline void DeleteGdiObject(HGDIOBJ h) noexcept { DeleteObject(h); }
inline void FreeSidMemory(PSID sid) noexcept { FreeSid(sid); }
}  // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::Kernel>;
using UniqueFileHandle = UniqueHandle<handle_traits::File>;
using UniqueRegKey = UniqueHandle<handle_traits::NullInvalid<HKEY, &RegCloseKey>>;
using UniqueBitmap = UniqueHandle<handle_traits::NullInvalid<HBITMAP, &handle_traits::DeleteGdiObject>>;
using UniqueRegion = UniqueHandle<handle_traits::NullInvalid<HRGN, &handle_traits::DeleteGdiObject>>;
using UniqueMemoryDc = UniqueHandle<handle_traits::NullInvalid<HDC, &DeleteDC>>;
using UniqueMenu = UniqueHandle<handle_traits::NullInvalid<HMENU, &DestroyMenu>>;
using UniqueModule = UniqueHandle<handle_traits::NullInvalid<HMODULE, &FreeLibrary>>;
using UniqueMouseHook = UniqueHandle<handle_traits::NullInvalid<HHOOK, &UnhookWindowsHookEx>>;
using UniqueWinEventHook = UniqueHandle<handle_traits::NullInvalid<HWINEVENTHOOK, &UnhookWinEvent>>;
using UniqueLocalMemory = UniqueHandle<handle_traits::NullInvalid<HLOCAL, &LocalFree>>;
using UniqueGlobalMemory = UniqueHandle<handle_traits::NullInvalid<HGLOBAL, &GlobalFree>>;
using UniqueIcon = UniqueHandle<handle_traits::NullInvalid<HICON, &DestroyIcon>>;  // icons the program made
using UniqueSid = UniqueHandle<handle_traits::NullInvalid<PSID, &handle_traits::FreeSidMemory>>;
