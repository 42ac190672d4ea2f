#pragma once
// The magnifier: a 300 x 300 window that shows the screen around the cursor at twice its size inside a thin
// dark frame, and can be dragged anywhere. It is made hidden at start-up and nothing in the catalogue shows
// it; the picker watch compares its handle with the foreground window. Not layered: its paint reaches the
// screen through the paint DC. 300 is its side at 96 DPI: it takes the scale of the monitor it is made on,
// and of the one WM_DPICHANGED names, and draws its frame's picture of that step into its scaled side.
//
// Threads: main thread only. Its refresh timer runs only while it is shown.
#include "overlays/Image_win.h"
#include "overlays/OverlayDpi.h"
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

class CircleDLG : public OverlayWindow {
public:
    static constexpr UINT_PTR kRefreshTimer = 3;
    static constexpr UINT kRefreshMs = 100;
    static constexpr int kSize = 300;  // the frame picture's size at 96 DPI, and the window's without it

    const DisplayScale& Scale() const noexcept { return scale; }

    void Start(HWND owner) override { Create(IDD_CIRCLE, owner); }
    bool Stop() noexcept override;

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint() override;

private:
    Reply OnInitDialog();
    Reply OnTimer(msg::Timer timer);
    Reply OnLeftButtonDown(msg::Point press);
    Reply OnWindowPosChanged();
    Reply OnDpiChanged(msg::Params params);
    // The frame picture of the scale's step (or the 1x one), kept by the picture cache, and the window's
    // side for the scale.
    void TakeScale(const DisplayScale& newScale);
    static const MessageEntry<CircleDLG> kMessages[];

    // Starts the refresh when the window is shown and stops it when hidden.
    void FollowVisibility();

    DisplayScale scale;
    const PngImage* frameImage = nullptr;  // PNG 165 (kept by the picture cache); null when it failed to load
    UniqueBitmap frameBitmap;              // the same picture as a 32-bit GDI bitmap
    bool refreshing = false;               // timer 3 runs
};
