#include "switcher/CaptureCache_win.h"

#include "switcher/WindowList_win.h"
#include "switcher/WindowPicture_win.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/WorkerThread_win.h"

#include <cstdint>
#include <utility>

CaptureStore& CaptureCache() {
    static CaptureStore* const store = new CaptureStore;
    return *store;
}

HANDLE CaptureCacheLock() {
    static const HANDLE lock = CreateSemaphoreW(nullptr, 1, 1, nullptr);
    return lock;
}

CaptureCacheGuard::CaptureCacheGuard(DWORD timeoutMs, bool stoppable) noexcept {
    HANDLE lock = CaptureCacheLock();
    if (!lock) return;
    if (stoppable) {
        held_ = WaitForEventOrStop(lock, timeoutMs) == Wake::Event;
    } else {
        held_ = WaitForSingleObject(lock, timeoutMs) == WAIT_OBJECT_0;
    }
}

CaptureCacheGuard::~CaptureCacheGuard() {
    if (held_) ReleaseSemaphore(CaptureCacheLock(), 1, nullptr);
}

SystemCapture::SystemCapture(DWORD uiThread) : uiThread_(uiThread) {}

bool SystemCapture::Exists(WindowId window) { return IsWindow(AsHwnd(window)) != FALSE; }

bool SystemCapture::Iconic(WindowId window) { return IsIconic(AsHwnd(window)) != FALSE; }

CaptureSize SystemCapture::OuterSize(WindowId window) {
    RECT rect{};
    if (!GetWindowRect(AsHwnd(window), &rect)) return {};
    return {int(rect.right - rect.left), int(rect.bottom - rect.top)};
}

PictureId SystemCapture::Capture(WindowId window, CaptureSize full, CaptureSize scaled) {
    HWND hwnd = AsHwnd(window);
    const bool own = uiThread_ != 0 && GetWindowThreadProcessId(hwnd, nullptr) == uiThread_;
    // A window that does not even answer at once is not asked to paint. The program's own windows are asked
    // on the UI thread, which may be busy for a moment without any of them being hung.
    if (!own && !WindowAnswers(hwnd)) {
        notAnswering_.insert(window);
        return 0;
    }
    PictureRequest request;
    request.width = full.width;
    request.height = full.height;
    WindowPicture taken = PictureOfWindow(hwnd, request, uiThread_);
    if (!own && (taken.outcome == PictureOutcome::TimedOut || taken.outcome == PictureOutcome::StillAsked)) {
        notAnswering_.insert(window);
    }
    if (!taken.picture) return 0;
    UniqueBitmap fullPicture = std::move(taken.picture);
    UniqueMemoryDc fullDc(CreateCompatibleDC(nullptr));
    if (!fullDc) return 0;

    void* scaledBits = nullptr;
    UniqueBitmap picture(CreatePictureBitmap(scaled.width, scaled.height, &scaledBits));
    UniqueMemoryDc scaledDc(CreateCompatibleDC(nullptr));
    if (!picture || !scaledDc) return 0;
    {
        SelectScope source(fullDc.Get(), fullPicture.Get());
        SelectScope target(scaledDc.Get(), picture.Get());
        if (!source || !target) return 0;
        if (scaled == full) {
            BitBlt(scaledDc.Get(), 0, 0, full.width, full.height, fullDc.Get(), 0, 0, SRCCOPY);
        } else {
            SetStretchBltMode(scaledDc.Get(), HALFTONE);
            SetBrushOrgEx(scaledDc.Get(), 0, 0, nullptr);
            StretchBlt(scaledDc.Get(), 0, 0, scaled.width, scaled.height, fullDc.Get(), 0, 0, full.width,
                       full.height, SRCCOPY);
        }
        GdiFlush();
    }
    return reinterpret_cast<PictureId>(picture.Release());
}

void SystemCapture::Release(PictureId picture) { DeleteObject(reinterpret_cast<HBITMAP>(picture)); }

bool SystemCapture::Stopping() { return StopSignalled(); }

CaptureStore::PassCounts RefreshCaptureCache(const WindowId* windows, int count, DWORD uiThread,
                                             std::set<WindowId>* notAnswering) {
    CaptureCacheGuard guard(INFINITE, true);
    if (!guard.Held()) return {};
    SystemCapture system(uiThread);
    const CaptureStore::PassCounts counts = CaptureCache().Refresh(system, windows, count);
    if (counts.evicted) {
        ORVEL_TRACE("switcher-evicted pictures=%d bytes=%llu held=%llu budget=%llu", counts.evicted,
                    (unsigned long long)counts.evictedBytes, (unsigned long long)CaptureCache().HeldBytes(),
                    (unsigned long long)CaptureCache().BudgetBytes());
    }
    if (notAnswering) *notAnswering = system.NotAnswering();
    return counts;
}
