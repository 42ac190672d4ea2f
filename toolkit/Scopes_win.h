#pragma once
// Paired calls that must end on every way out: painting, a GDI object selected into a device context, the
// screen's device context, COM on the calling thread, a slim reader/writer lock. Each scope does the first call
// when it is made and the second when it goes.
#include <windows.h>

#include <objbase.h>

// BeginPaint and its EndPaint; a window whose paint is not ended keeps asking to be painted.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) noexcept : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC Dc() const noexcept { return dc_; }
    const RECT& Invalid() const noexcept { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// SelectObject, and the previous object selected back: a bitmap still selected into a DC cannot be deleted.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(dc ? SelectObject(dc, object) : nullptr) {
        if (previous_ == HGDI_ERROR) previous_ = nullptr;
    }
    ~SelectScope() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

    explicit operator bool() const noexcept { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// COM on the calling thread, uninitialised at the end only when this initialisation succeeded (S_FALSE,
// already initialised, counts: it must be balanced too).
class ComScope {
public:
    ComScope() noexcept : result_(CoInitialize(nullptr)) {}
    explicit ComScope(DWORD model) noexcept : result_(CoInitializeEx(nullptr, model)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    bool Ok() const noexcept { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

// The screen's device context (GetDC of no window) and its ReleaseDC. Null when the system has none to give.
class ScreenDc {
public:
    ScreenDc() noexcept : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    explicit operator bool() const noexcept { return dc_ != nullptr; }
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

// A slim reader/writer lock held exclusively, or shared, for the scope.
class SrwExclusive {
public:
    explicit SrwExclusive(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~SrwExclusive() { ReleaseSRWLockExclusive(&lock_); }
    SrwExclusive(const SrwExclusive&) = delete;
    SrwExclusive& operator=(const SrwExclusive&) = delete;

private:
    SRWLOCK& lock_;
};

class SrwShared {
public:
    explicit SrwShared(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockShared(&lock_); }
    ~SrwShared() { ReleaseSRWLockShared(&lock_); }
    SrwShared(const SrwShared&) = delete;
    SrwShared& operator=(const SrwShared&) = delete;

private:
    SRWLOCK& lock_;
};
