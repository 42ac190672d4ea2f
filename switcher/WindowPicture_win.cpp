#include "switcher/WindowPicture_win.h"

#include "switcher/PictureHandover.h"
#include "toolkit/Dialog_win.h"
#include "toolkit/DibSurface_win.h"
#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"
#include "toolkit/WorkerThread_win.h"

#include <cstdint>
#include <memory>
#include <set>
#include <utility>

namespace {

// Far above any monitor (an 8K one is 2^25 pixels); keeps a picture's byte count within the 32-bit build's
// reach.
constexpr long long kMaxPicturePixels = 1LL << 26;

// What a capture's pixels hold before the window paints; a picture still all of it was never painted (under
// Wine, PrintWindow of another process's window reports success and paints nothing).
constexpr std::uint32_t kUnpainted = 0x00FE01FD;

// Reserved, not committed: a thread left in a hung window then costs little of a 32-bit address space.
constexpr SIZE_T kPaintStackBytes = 256 * 1024;

// The windows whose paint has not come back. Lives until the process ends: a thread left in a window may
// come back at any time, also while the program stops.
class Outstanding {
public:
    bool Begin(HWND window) {
        SrwExclusive lock(lock_);
        return windows_.insert(window).second;
    }
    void End(HWND window) noexcept {
        SrwExclusive lock(lock_);
        windows_.erase(window);
    }
    int Count() noexcept {
        SrwExclusive lock(lock_);
        return int(windows_.size());
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::set<HWND> windows_;
};

Outstanding& Requests() {
    static Outstanding* const requests = new Outstanding;
    return *requests;
}

// One request, shared by the thread that paints and the one that waits; whichever ends last frees it.
struct PaintJob {
    HWND window = nullptr;
    PictureRequest request;
    PictureHandover handover;
    WindowPicture result;                                              // written by the painter before it delivers
    UniqueKernelHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};  // the painter is done
};

// The window paints itself into a new picture, on the calling thread; nothing when it painted nothing.
WindowPicture Paint(HWND window, const PictureRequest& r) {
    WindowPicture out;
    void* bits = nullptr;
    UniqueBitmap picture(CreatePictureBitmap(r.width, r.height, &bits));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!picture || !dc) return out;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const long long count = (long long)r.width * r.height;
    MarkUnpainted(pixels, count);
    {
        SelectScope select(dc.Get(), picture.Get());
        if (!select) return out;
        SetViewportOrgEx(dc.Get(), r.origin.x, r.origin.y, nullptr);
        const BOOL printed = PrintWindow(window, dc.Get(), r.flags);
        GdiFlush();
        if (!printed || !SettlePainted(pixels, count)) return out;
    }
    out.picture = std::move(picture);
    out.bits = bits;
    out.outcome = PictureOutcome::Painted;
    return out;
}

// A window of the UI thread, on the UI thread. The settings window is layered: what it shows is the frame it
// last handed the system, which its WM_PRINT does not draw, so the frame itself is copied.
WindowPicture OwnPicture(HWND window, const PictureRequest& r) {
    ShownFrameSource* source = dynamic_cast<ShownFrameSource*>(Dialog::From<Dialog>(window));
    if (!source) return Paint(window, r);
    WindowPicture out;
    void* bits = nullptr;
    UniqueBitmap picture(CreatePictureBitmap(r.width, r.height, &bits));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!picture || !dc) return out;
    {
        SelectScope select(dc.Get(), picture.Get());
        if (!select || !source->CopyShownFrame(dc.Get(), r.width, r.height)) return out;
        GdiFlush();
    }
    out.picture = std::move(picture);
    out.bits = bits;
    out.outcome = PictureOutcome::Painted;
    return out;
}

// The painter's end of a job: the picture goes to the waiter, or is released here when the waiter gave up.
void Deliver(PaintJob& job, WindowPicture made) {
    job.result = std::move(made);
    if (!job.handover.Deliver()) job.result = WindowPicture{};
    SetEvent(job.finished.Get());
}

// The waiter's end: what came within the limit, or nothing.
WindowPicture Collect(PaintJob& job, DWORD limitMs) {
    WaitForEventOrStop(job.finished.Get(), limitMs);
    if (job.handover.Collect()) return std::move(job.result);
    WindowPicture none;
    none.outcome = PictureOutcome::TimedOut;
    return none;
}

DWORD WINAPI PaintThread(void* param) noexcept {
    std::unique_ptr<std::shared_ptr<PaintJob>> holder(static_cast<std::shared_ptr<PaintJob>*>(param));
    const std::shared_ptr<PaintJob> job = std::move(*holder);
    holder.reset();
    WindowPicture made;
    try {
        made = Paint(job->window, job->request);
    } catch (...) {
        made = WindowPicture{};  // no picture; the waiter gets the placeholder
    }
    Requests().End(job->window);  // the window may be asked again
    Deliver(*job, std::move(made));
    return 0;
}

// Another thread's window, painted on a thread of its own that is waited for at most `limitMs`.
WindowPicture PaintWithin(HWND window, const PictureRequest& r, DWORD limitMs) {
    auto job = std::make_shared<PaintJob>();
    job->window = window;
    job->request = r;
    auto holder = std::make_unique<std::shared_ptr<PaintJob>>(job);
    if (!job->finished) return {};
    if (!Requests().Begin(window)) {
        WindowPicture busy;
        busy.outcome = PictureOutcome::StillAsked;
        return busy;
    }
    HANDLE thread = CreateThread(nullptr, kPaintStackBytes, PaintThread, holder.get(),
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) {
        Requests().End(window);
        return {};
    }
    holder.release();  // the thread's now
    CloseHandle(thread);
    return Collect(*job, limitMs);
}

// A window of the UI thread, painted there; the UI thread is waited for at most `limitMs`.
WindowPicture PaintOnUiThread(HWND window, const PictureRequest& r, DWORD limitMs) {
    auto job = std::make_shared<PaintJob>();
    job->window = window;
    job->request = r;
    if (!job->finished) return {};
    const bool posted = UiThread::Post([job] {
        WindowPicture made;
        try {
            made = OwnPicture(job->window, job->request);
        } catch (...) {
            made = WindowPicture{};
        }
        Deliver(*job, std::move(made));
    });
    if (!posted) return {};
    return Collect(*job, limitMs);
}

[[maybe_unused]] const char* OutcomeName(PictureOutcome outcome) {
    switch (outcome) {
    case PictureOutcome::Painted: return "painted";
    case PictureOutcome::Nothing: return "nothing";
    case PictureOutcome::TimedOut: return "timed-out";
    case PictureOutcome::StillAsked: return "still-asked";
    }
    return "?";
}

}  // namespace

void MarkUnpainted(std::uint32_t* pixels, long long count) {
    for (long long i = 0; i < count; ++i) pixels[i] = kUnpainted;
}

bool SettlePainted(std::uint32_t* pixels, long long count) {
    bool painted = false;
    for (long long i = 0; i < count && !painted; ++i) painted = pixels[i] != kUnpainted;
    if (!painted) return false;
    for (long long i = 0; i < count; ++i) {
        if (pixels[i] == kUnpainted) pixels[i] = 0xFF000000u;
    }
    return true;
}

HBITMAP CreatePictureBitmap(int width, int height, void** bits) {
    *bits = nullptr;
    if (width <= 0 || height <= 0 || (long long)width * height > kMaxPicturePixels) return nullptr;
    return CreateDib32(width, height, true, bits);
}

WindowPicture PictureOfWindow(HWND window, const PictureRequest& request, DWORD uiThread, DWORD limitMs) {
    if (request.width <= 0 || request.height <= 0) return {};
    const DWORD owner = GetWindowThreadProcessId(window, nullptr);
    const DWORD self = GetCurrentThreadId();
    [[maybe_unused]] const ULONGLONG started = GetTickCount64();
    WindowPicture picture;
    const bool ofUiThread = uiThread != 0 && owner == uiThread;
    if (ofUiThread && self == uiThread) {
        picture = OwnPicture(window, request);
    } else if (ofUiThread) {
        picture = PaintOnUiThread(window, request, limitMs);
    } else if (owner == self) {
        picture = Paint(window, request);  // it paints on this very thread: nothing to wait for
    } else {
        picture = PaintWithin(window, request, limitMs);
    }
    // The program's own windows always, the others when they did not answer in time.
    if (ofUiThread || picture.outcome == PictureOutcome::TimedOut || picture.outcome == PictureOutcome::StillAsked) {
        ORVEL_TRACE("switcher-picture hwnd=%llu own=%d outcome=%s ms=%u outstanding=%d",
                    (unsigned long long)(UINT_PTR)window, ofUiThread ? 1 : 0, OutcomeName(picture.outcome),
                    unsigned(GetTickCount64() - started), Requests().Count());
    }
    return picture;
}
