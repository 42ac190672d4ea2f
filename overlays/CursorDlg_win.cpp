#include "overlays/CursorDlg_win.h"

#include "overlays/GestureFrames.h"
#include "overlays/ImageCache_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"

namespace {

// The running indicator's clock, for StartGestureTip. Main thread only.
GestureTipThread* RunningGestureTip = nullptr;

// One pass of the indicator, on the UI thread: follow the cursor, shown, or hidden once the count is over.
void GestureTipPass(HWND indicator, bool show) {
    if (!indicator || !IsWindow(indicator)) return;
    if (!show) {
        if (IsWindowVisible(indicator)) {
            ShowWindow(indicator, SW_HIDE);
            ORVEL_TRACE("gesture-tip hidden");
        }
        return;
    }
    POINT cursor;
    GetCursorPos(&cursor);
    SetWindowPos(indicator, HWND_TOPMOST, cursor.x, cursor.y + CursorDlg::kBelowCursor, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    if (!IsWindowVisible(indicator)) {
        ShowWindow(indicator, SW_SHOWNORMAL);
        ORVEL_TRACE("gesture-tip shown %ld,%ld", cursor.x, cursor.y + CursorDlg::kBelowCursor);
    }
    InvalidateRect(indicator, nullptr, FALSE);
    UpdateWindow(indicator);
}

}  // namespace

void CursorDlg::Start(HWND owner) {
    Create(IDD_CURSOR, owner);
    SetWindowPos(Hwnd(), nullptr, 0, 0, kSize, kSize, SWP_NOMOVE | SWP_NOZORDER);
    MakeWindowLayered(Hwnd(), WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW);
}

void CursorDlg::Paint() { PaintGestureIndicator(Hwnd(), GestureTipDirection, GestureTipTicks); }

void PaintGestureIndicator(HWND hwnd, int direction, int ticks, LayeredPaintTimings* timings) {
    LayeredPaintOptions options;
    options.size = SurfaceSize::ClientPlusOne;
    options.antiAlias = true;
    options.copyToPaintDc = false;  // the window is layered: what UpdateLayeredWindow got is what shows
    // The count may have moved on since this paint was asked for: one tick's difference does not show.
    const int png = GestureFrameFor(direction, ticks);
    PaintLayered(
        hwnd, options,
        [png](Gdiplus::Graphics& graphics, int, int) {
            if (png == 0) return;
            const PngImage& frame = CachedPng(png);
            if (!frame) return;
            // At its own pixel size, whatever resolution the picture claims.
            graphics.DrawImage(frame.Get(), 0, 0, int(frame->GetWidth()), int(frame->GetHeight()));
        },
        timings);
}

void StartGestureTip(HWND indicator, int direction) {
    if (CursorDlg* window = Dialog::From<CursorDlg>(indicator)) window->GestureTipDirection = direction;
    GestureTipTicks = 0;
    if (RunningGestureTip) RunningGestureTip->Wake();
}

void GestureTipThread::Start(HWND) {
    GestureTipTicks = kGestureTipTicks;
    // A pass counts a frame on and shows it at the start of its 30 ms; once the count is over the indicator
    // hides and the clock sleeps until the next gesture.
    TickClock::Hooks hooks;
    hooks.periodMs = kGestureTipTickMs;
    hooks.leadingPass = true;
    hooks.moving = [] { return !StopUnderWay() && GestureTipTicks < kGestureTipTicks; };
    hooks.pass = [] {
        ++GestureTipTicks;
        return true;
    };
    hooks.onUi = [indicator = indicator_] { GestureTipPass(indicator, true); };
    hooks.onRest = [indicator = indicator_] { GestureTipPass(indicator, false); };
    clock_.Start("gesture-tip", std::move(hooks));
    RunningGestureTip = this;
}

bool GestureTipThread::Stop() noexcept {
    if (RunningGestureTip == this) RunningGestureTip = nullptr;
    return clock_.Stop();
}
