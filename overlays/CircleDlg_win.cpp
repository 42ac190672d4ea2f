#include "overlays/CircleDlg_win.h"

#include "overlays/ImageCache_win.h"
#include "overlays/LayeredWindow_win.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Scopes_win.h"

const MessageEntry<CircleDLG> CircleDLG::kMessages[] = {
    {WM_INITDIALOG, On<&CircleDLG::OnInitDialog>},
    {WM_TIMER, On<&CircleDLG::OnTimer>},
    {WM_LBUTTONDOWN, On<&CircleDLG::OnLeftButtonDown>},
    {WM_WINDOWPOSCHANGED, On<&CircleDLG::OnWindowPosChanged>},
    {WM_DPICHANGED, On<&CircleDLG::OnDpiChanged>},
};

bool CircleDLG::Stop() noexcept {
    if (refreshing && Hwnd()) KillTimer(Hwnd(), kRefreshTimer);
    refreshing = false;
    return OverlayWindow::Stop();
}

Dialog::Reply CircleDLG::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

Dialog::Reply CircleDLG::OnInitDialog() {
    TakeScale(DisplayScale::FromDpi(DpiForWindow(Hwnd())));
    FollowVisibility();  // a template that shows the window at once starts the refresh here
    return Handled(TRUE);
}

void CircleDLG::TakeScale(const DisplayScale& newScale) {
    scale = newScale;
    const PngImage& frame = CachedArt(IDB_MAGNIFIER_FRAME, scale.Art());
    frameImage = nullptr;
    frameBitmap = UniqueBitmap();
    int side = MagnifierSide(scale);
    if (frame) {
        frameImage = &frame;
        frameBitmap = ToGdiBitmap(*frame);
        // At 96 DPI the window is the picture's own size.
        if (scale.IsIdentity()) side = int(frame->GetWidth());
    }
    SetWindowPos(Hwnd(), nullptr, 0, 0, side, side, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Dialog::Reply CircleDLG::OnDpiChanged(msg::Params params) {
    HWND hwnd = Hwnd();
    const OverlayDpiDecision d =
        DecideOverlayDpiChange(OverlayKind::Magnifier, scale, int(LOWORD(params.w)), hwnd && IsWindowVisible(hwnd));
    if (d.takeSuggested) TakeSuggestedRect(hwnd, params.l);
    if (d.rescale) TakeScale(d.scale);
    if (d.redraw) InvalidateRect(hwnd, nullptr, FALSE);
    return Handled(0);
}

// However the window was shown or hidden, the refresh follows here; the system's handling goes on.
Dialog::Reply CircleDLG::OnWindowPosChanged() {
    FollowVisibility();
    return PassOn();
}

void CircleDLG::FollowVisibility() {
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    const bool visible = IsWindowVisible(hwnd) != FALSE;
    if (visible && !refreshing) {
        refreshing = SetTimer(hwnd, kRefreshTimer, kRefreshMs, nullptr) != 0;
    } else if (!visible && refreshing) {
        KillTimer(hwnd, kRefreshTimer);
        refreshing = false;
    }
}

Dialog::Reply CircleDLG::OnTimer(msg::Timer timer) {
    if (timer.id != kRefreshTimer) return PassOn();
    HWND hwnd = Hwnd();
    if (IsWindowVisible(hwnd)) {
        InvalidateRect(hwnd, nullptr, TRUE);
        // Above everything again, without taking the activation from the window the user works in.
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return Handled(0);
}

// A press anywhere in the magnifier drags the whole window, as a press on a caption would.
Dialog::Reply CircleDLG::OnLeftButtonDown(msg::Point press) {
    // The caption press carries screen coordinates; the client press is turned into them.
    POINT at = press.at;
    ClientToScreen(Hwnd(), &at);
    PostMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
    return Handled(0);
}

void CircleDLG::Paint() {
    if (!frameImage) {
        OverlayWindow::Paint();  // nothing to show without the frame
        return;
    }
    Gdiplus::Bitmap* frame = frameImage->Get();
    HWND hwnd = Hwnd();
    RECT bounds{};
    GetClientRect(hwnd, &bounds);
    // The window's side at its scale; the frame's picture, of whatever step, is drawn over all of it.
    const int width = bounds.right > 0 ? int(bounds.right) : int(frame->GetWidth());
    const int height = bounds.bottom > 0 ? int(bounds.bottom) : int(frame->GetHeight());

    LayeredPaintOptions options;
    options.size = SurfaceSize::Fixed;
    options.fixedWidth = width;
    options.fixedHeight = height;
    options.antiAlias = true;
    options.perPixelAlpha = false;  // the magnified screen is opaque
    options.gdiDraw = [hwnd, width, height](HDC surface, int, int) {
        // Half the window's size around the cursor, stretched onto all of it: twice the size.
        POINT cursor{};
        GetCursorPos(&cursor);
        ScreenDc screen;
        if (!screen) return;
        const MagnifierSource source = MagnifierSourceAround(int(cursor.x), int(cursor.y), width, height);
        SetStretchBltMode(surface, HALFTONE);
        SetBrushOrgEx(surface, 0, 0, nullptr);  // HALFTONE needs the brush origin set after it
        StretchBlt(surface, 0, 0, width, height, screen.Get(), source.left, source.top, source.width,
                   source.height, SRCCOPY);
    };
    PaintLayered(hwnd, options, [frame, width, height](Gdiplus::Graphics& graphics, int, int) {
        graphics.DrawImage(frame, 0, 0, width, height);
    });
}
