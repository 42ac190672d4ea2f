#include "overlays/CursorDlg_win.h"

#include "overlays/GestureFrames.h"
#include "overlays/ImageCache_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Dpi_win.h"
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
    GestureIndicatorLayout layout;
    if (CursorDlg* window = Dialog::From<CursorDlg>(indicator)) layout = window->LayoutAt(cursor);
    SetWindowPos(indicator, HWND_TOPMOST, cursor.x, cursor.y + layout.belowCursor, layout.side, layout.side,
                 SWP_NOACTIVATE);
    if (!IsWindowVisible(indicator)) {
        ShowWindow(indicator, SW_SHOWNORMAL);
        ORVEL_TRACE("gesture-tip shown %ld,%ld", cursor.x, cursor.y + layout.belowCursor);
    }
    InvalidateRect(indicator, nullptr, FALSE);
    UpdateWindow(indicator);
}

}  // namespace

const MessageEntry<CursorDlg> CursorDlg::kMessages[] = {
    {WM_DPICHANGED, On<&CursorDlg::OnDpiChanged>},
};

void CursorDlg::Start(HWND owner) {
    Create(IDD_CURSOR, owner);
    scale = DisplayScale::FromDpi(DpiForWindow(Hwnd()));
    const GestureIndicatorLayout layout = GestureIndicatorLayout::ForScale(scale);
    SetWindowPos(Hwnd(), nullptr, 0, 0, layout.side, layout.side, SWP_NOMOVE | SWP_NOZORDER);
    MakeWindowLayered(Hwnd(), WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW);
}

GestureIndicatorLayout CursorDlg::LayoutAt(POINT cursor) {
    HMONITOR monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
    if (monitor != scaleMonitor) {
        scaleMonitor = monitor;
        scale = DisplayScale::FromDpi(DpiForMonitor(monitor));
        ORVEL_TRACE("gesture-scale dpi=%d side=%d", scale.dpi, GestureIndicatorLayout::ForScale(scale).side);
    }
    return GestureIndicatorLayout::ForScale(scale);
}

Dialog::Reply CursorDlg::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

// The monitor under the indicator changed its scale: the next passes draw and place at the new one.
Dialog::Reply CursorDlg::OnDpiChanged(msg::Params params) {
    HWND hwnd = Hwnd();
    const OverlayDpiDecision d = DecideOverlayDpiChange(OverlayKind::GestureIndicator, scale, int(LOWORD(params.w)),
                                                        hwnd && IsWindowVisible(hwnd));
    if (d.takeSuggested) TakeSuggestedRect(hwnd, params.l);
    if (d.rescale) {
        scale = d.scale;
        scaleMonitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    }
    if (d.redraw) InvalidateRect(hwnd, nullptr, FALSE);
    return Handled(0);
}

void CursorDlg::Paint() { PaintGestureIndicator(Hwnd(), GestureTipDirection, GestureTipTicks, nullptr, scale); }

void PaintGestureIndicator(HWND hwnd, int direction, int ticks, LayeredPaintTimings* timings,
                           const DisplayScale& scale) {
    LayeredPaintOptions options;
    options.size = SurfaceSize::ClientPlusOne;
    options.antiAlias = true;
    options.copyToPaintDc = false;  // the window is layered: what UpdateLayeredWindow got is what shows
    // The count may have moved on since this paint was asked for: one tick's difference does not show.
    const int png = GestureFrameFor(direction, ticks);
    const int side = GestureIndicatorLayout::ForScale(scale).side;
    PaintLayered(
        hwnd, options,
        [png, side, &scale](Gdiplus::Graphics& graphics, int, int) {
            if (png == 0) return;
            const PngImage& frame = CachedArt(png, scale.Art());
            if (!frame) return;
            // Into the indicator's side, whatever resolution the picture claims: at 96 DPI its own size.
            graphics.DrawImage(frame.Get(), 0, 0, side, side);
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
