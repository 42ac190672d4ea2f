#include "overlays/CursorDlg_win.h"

#include "mainwindow/ResidentProgram_win.h"
#include "overlays/GestureFrames.h"
#include "overlays/ImageCache_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"

namespace {

// Wakes the indicator's thread for a new gesture. Auto-reset and set (never pulsed), so a gesture that
// comes while the thread is in a pass is not lost. Lives until the process ends.
HANDLE GestureTipWake() {
    static const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

// One pass of the indicator, on the UI thread: follow the cursor, shown, or hidden once the count is over.
void GestureTipPass(bool show) {
    if (!CursorWindow || !CursorWindow->Hwnd()) return;
    HWND indicator = CursorWindow->Hwnd();
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

void GestureTipThreadBody() {
    for (;;) {
        // Between gestures the thread sleeps until a gesture or the stop.
        if (GestureTipTicks >= kGestureTipTicks) {
            if (WaitForEventOrStop(GestureTipWake()) == Wake::Stop) return;
            continue;
        }
        if (StopFlag != 0) return;
        ++GestureTipTicks;
        UiThread::Post([] { GestureTipPass(true); });
        if (!PauseUnlessStopped(kGestureTipTickMs)) return;
        if (GestureTipTicks >= kGestureTipTicks) UiThread::Post([] { GestureTipPass(false); });
    }
}

}  // namespace

void CursorDlg::Start() {
    Create(IDD_CURSOR, SettingsWindow());
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

void StartGestureTip(int direction) {
    if (CursorWindow) CursorWindow->GestureTipDirection = direction;
    GestureTipTicks = 0;
    SetEvent(GestureTipWake());
}

void GestureTipThread::Start() {
    GestureTipTicks = kGestureTipTicks;
    GestureTipWake();  // made here, on the UI thread, before the thread can ask for it
    thread_.Start("gesture-tip", GestureTipThreadBody);
}

bool GestureTipThread::Stop() noexcept { return thread_.Join(kWorkerJoinMs); }
