#pragma once
// The program's one picture cache (CaptureCache) and its lock (CaptureCacheLock), and the capture pass that
// fills it with PrintWindow. Pictures are 32-bit DIB sections owned by the cache.
//
// Threads: the pass runs on a worker (the overview thread, or the start-up pass) and holds the lock for the
// whole pass; the switcher's painting (UI thread) holds it while it draws a picture and never waits long for
// it. Each picture is waited for only so long (WindowPicture_win.h), so the pass, and the lock, always end;
// a window of the UI thread paints on the UI thread, which never needs the lock for it.
#include "switcher/CaptureCache.h"

#include <windows.h>

#include <cstdint>
#include <set>

// The cache and its lock live until the process ends (a pass given up on at the stop may still use them).
CaptureStore& CaptureCache();
HANDLE CaptureCacheLock();

// Holds CaptureCacheLock for a scope, if it could be had within the time given.
class CaptureCacheGuard {
public:
    // Waits up to `timeoutMs`; with `stoppable`, also ends the wait when the program stops.
    explicit CaptureCacheGuard(DWORD timeoutMs, bool stoppable = false) noexcept;
    ~CaptureCacheGuard();
    CaptureCacheGuard(const CaptureCacheGuard&) = delete;
    CaptureCacheGuard& operator=(const CaptureCacheGuard&) = delete;
    bool Held() const noexcept { return held_; }

private:
    bool held_ = false;
};

// Pictures the windows paint of themselves (PictureOfWindow). `uiThread`: the thread whose windows paint on
// it (0: none). A window of another thread is asked only when it answers at once; those that did not, or
// did not paint within the limit, are noted.
class SystemCapture final : public CaptureSystem {
public:
    explicit SystemCapture(DWORD uiThread);
    bool Exists(WindowId window) override;
    bool Iconic(WindowId window) override;
    CaptureSize OuterSize(WindowId window) override;
    PictureId Capture(WindowId window, CaptureSize full, CaptureSize scaled) override;
    void Release(PictureId picture) override;
    bool Stopping() override;

    const std::set<WindowId>& NotAnswering() const { return notAnswering_; }

private:
    DWORD uiThread_;
    std::set<WindowId> notAnswering_;
};

// One capture pass over `windows` into the program's cache, under its lock (waited for until the program
// stops). The counts of what it did (all 0 when the lock could not be had); `notAnswering` gets the windows
// that did not answer when asked for a picture.
CaptureStore::PassCounts RefreshCaptureCache(const WindowId* windows, int count, DWORD uiThread,
                                             std::set<WindowId>* notAnswering = nullptr);

