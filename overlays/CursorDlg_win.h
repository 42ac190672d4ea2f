#pragma once
// The gesture indicator: a 32 x 32 layered window beside the cursor that plays a short finger animation
// after a gesture, and GestureTipThread, which keeps it there while it is shown. Paint draws the frame of
// GestureFrames that the count has reached. Sizes are at 96 DPI: the indicator takes the scale of the
// monitor under the cursor (GestureIndicatorLayout), looked up again when the cursor reaches another monitor
// and told by WM_DPICHANGED when its own monitor changes.
//
// Threads: the window belongs to the main thread. The indicator's clock reads GestureTipTicks, counts it
// up and posts the window work (move, show, repaint, hide) to the UI thread; between gestures it sleeps.
#include "overlays/LayeredWindow_win.h"
#include "overlays/OverlayDpi.h"
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"
#include "toolkit/TickClock_win.h"

#include <atomic>

class CursorDlg : public OverlayWindow {
public:
    // 0 up, 1 down, 2 left, 3 right. Written by the gesture decoder (main thread), read when painting.
    std::atomic<int> GestureTipDirection{0};

    static constexpr int kSize = 32;         // at 96 DPI
    static constexpr int kBelowCursor = 50;  // the indicator's top edge, in pixels below the cursor (96 DPI)

    void Start(HWND owner) override;

    // The indicator's size and offset for a pass with the cursor at `cursor`: at the scale of the monitor
    // under it, which is looked up only when the cursor is on another monitor than last time. Main thread.
    GestureIndicatorLayout LayoutAt(POINT cursor);
    const DisplayScale& Scale() const noexcept { return scale; }

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint() override;

private:
    Reply OnDpiChanged(msg::Params params);
    static const MessageEntry<CursorDlg> kMessages[];

    DisplayScale scale;
    HMONITOR scaleMonitor = nullptr;  // the monitor `scale` is that of
};

// One paint of the indicator (its WM_PAINT; also the benchmark's): the frame for `direction` after `ticks`
// at (0, 0), the picture of `scale`'s step drawn at 32 x 32 times the scale (its own size at 96 DPI),
// nothing once the animation is over; presented opaque where the frame is.
void PaintGestureIndicator(HWND hwnd, int direction, int ticks, LayeredPaintTimings* timings = nullptr,
                           const DisplayScale& scale = DisplayScale());

// Shows `indicator` for a gesture in `direction` (0 up, 1 down, 2 left, 3 right): the count starts again
// and the indicator's clock wakes. Main thread.
void StartGestureTip(HWND indicator, int direction);

// The gesture indicator's clock: 30 ms passes while the indicator is shown, asleep otherwise. `indicator` is
// the indicator's window, which the passes move, show and hide.
class GestureTipThread final : public Subsystem {
public:
    explicit GestureTipThread(HWND indicator) : indicator_(indicator) {}
    void Start(HWND owner) override;
    bool Stop() noexcept override;
    // A gesture came: the clock wakes. Main thread.
    void Wake() noexcept { clock_.Wake(); }

private:
    HWND indicator_;
    TickClock clock_;
};
