#include "overlays/BoardDlg_win.h"

#include "overlays/BoardSnap_win.h"
#include "overlays/LayeredWindow_win.h"
#include "overlays/ZuTipDLG_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Dwm_win.h"
#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"

#include <cstring>
#include <string>


namespace {

constexpr BYTE kSpotlightAlpha = 0xC8;  // the darkening, as the window's constant alpha over black
constexpr int kModeTipMs = 800;
constexpr int kSnapTipMs = 500;
constexpr int kFailureTipMs = 1500;
constexpr int kTipPixels = 20;

// boardLock, taken without waiting by a paint (a paint that comes in the middle of a capture on this very
// thread must not wait for itself; the capture repaints everything when it is done) and with waiting by the
// capture.
class BoardLockScope {
public:
    BoardLockScope(HANDLE lock, DWORD waitMs) noexcept
        : lock_(lock), held_(!lock || WaitForSingleObject(lock, waitMs) == WAIT_OBJECT_0) {}
    ~BoardLockScope() {
        if (lock_ && held_) ReleaseSemaphore(lock_, 1, nullptr);
    }
    BoardLockScope(const BoardLockScope&) = delete;
    BoardLockScope& operator=(const BoardLockScope&) = delete;
    bool Held() const noexcept { return held_; }

private:
    HANDLE lock_;
    bool held_;
};

RECT ToRect(const BoardRect& r) { return {r.left, r.top, r.right, r.bottom}; }

POINT Centre(const RECT& r) { return {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2}; }

// Every message of the board goes through the one tooltip, centred on the board.
void BoardTip(const RECT& board, const std::wstring& text, int durationMs) {
    const POINT centre = Centre(board);
    ShowTip(centre.x, centre.y, text, durationMs, kTipPixels);
    ORVEL_TRACE("board-tip %s", TraceUtf8(text).c_str());
}

}  // namespace

const MessageEntry<BoardDlg> BoardDlg::kMessages[] = {
    {WM_INITDIALOG, On<&BoardDlg::OnInitDialog>},
    {WM_WINDOWPOSCHANGED, On<&BoardDlg::OnWindowPosChanged>},
    {WM_SETCURSOR, On<&BoardDlg::OnSetCursor>},
    {WM_DPICHANGED, On<&BoardDlg::OnDpiChanged>},
};

BoardDlg::BoardDlg() : boardLock(CreateSemaphoreW(nullptr, 1, 1, nullptr)) {}

BoardDlg::~BoardDlg() = default;

void BoardDlg::Start(HWND owner) {
    // Owned by the settings window, as every overlay. Not by the desktop's program-manager window: an owner
    // on another thread (Explorer's) ties the two threads' input together, so a busy or hung Explorer would
    // hold up the board's pointer and keys.
    Create(IDD_BOARD, owner);
    // The pen cursor is loaded at the scale of the monitor the board first opens on (TakeScale).
}

bool BoardDlg::Stop() noexcept {
    if (model.mode != BoardMode::Off) Close();
    BoardVisible = false;
    SetMode(BoardMode::Off);
    return OverlayWindow::Stop();
}

void BoardDlg::SetMode(BoardMode newMode) noexcept {
    CheckWindowThread(Hwnd(), "BoardDlg::SetMode");
    model.mode = newMode;
    BoardShownMode = newMode;
}

// ------------------------------------------------------------------------------------- opening, closing

void BoardDlg::ToggleMode(BoardMode newMode) noexcept {
    CheckWindowThread(Hwnd(), "BoardDlg::ToggleMode");
    Guarded("toggle", [&] { ToggleNow(newMode); });
}

void BoardDlg::ToggleNow(BoardMode newMode) {
    ORVEL_TRACE("board-toggle %d", int(newMode));
    switch (model.DecideToggle(newMode)) {
    case BoardModel::Toggle::Nothing:
        return;
    case BoardModel::Toggle::Close:
        Close();
        return;
    case BoardModel::Toggle::Open:
        break;
    }
    if (!Hwnd()) return;
    model.screenCaptured = 0;
    SetMode(newMode);
    switch (CaptureScreen()) {
    case Capture::Made:
        break;
    case Capture::NoPictures:
        // The system refused a picture: as when one cannot be allocated, the board stays closed and says why.
        ORVEL_TRACE("board-open failed mode=%d pictures", int(newMode));
        Abandon(BoardModel::Failure::OutOfMemory);
        return;
    case Capture::NoScreen:
        ORVEL_TRACE("board-open failed mode=%d screen", int(newMode));
        Abandon(BoardModel::Failure::NoScreen);
        return;
    }
    PrepareWindow();
    ShowWindow(Hwnd(), SW_SHOWNORMAL);
    if (newMode == BoardMode::Highlighter && !cursorHidden) {
        // The board draws its own pen cursor.
        [[maybe_unused]] const int count = ShowCursor(FALSE);
        cursorHidden = true;
        ORVEL_TRACE("board-cursor hidden count=%d", count);
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
    UpdateWindow(Hwnd());  // the frozen picture at once
    RECT window{};
    GetWindowRect(Hwnd(), &window);
    if (newMode == BoardMode::Highlighter) {
        BoardTip(window, L"Highlighter mode ", kModeTipMs);
    } else if (newMode == BoardMode::Freeform || newMode == BoardMode::Rectangle) {
        BoardTip(window, L"Screen snap mode", kModeTipMs);
    }
    ConfineCursor();
    ORVEL_TRACE("board-open mode=%d window=%ld,%ld,%ld,%ld", int(newMode), window.left, window.top, window.right,
                window.bottom);
}

void BoardDlg::OnDisplayChange(const std::vector<BoardRect>& monitors) {
    CheckWindowThread(Hwnd(), "BoardDlg::OnDisplayChange");
    if (model.mode == BoardMode::Off) return;
    const BoardRect shownOn{int(origin.x), int(origin.y), int(origin.x) + boardWidth + 1, int(origin.y) + boardHeight};
    if (MonitorStillPresent(shownOn, monitors)) return;
    ORVEL_TRACE("board-display-gone mode=%d", int(model.mode));
    Close();
}

void BoardDlg::OnOperationFailed(bool outOfMemory) noexcept {
    Abandon(outOfMemory ? BoardModel::Failure::OutOfMemory : BoardModel::Failure::Other);
}

void BoardDlg::Abandon(BoardModel::Failure failure) noexcept {
    // The record that was being taken apart is gone with the operation.
    recordAt = nullptr;
    const BoardModel::FailureTip tip = model.DecideFailureTip(failure);
    ORVEL_TRACE("board-failed mode=%d why=%d", int(model.mode), int(failure));
    // Where the board is, or was about to open; its pictures are freed before the tip needs memory.
    const RECT shownOn{origin.x, origin.y, origin.x + boardWidth, origin.y + boardHeight};
    Close();
    const wchar_t* text = nullptr;
    switch (tip) {
    case BoardModel::FailureTip::None:
        return;
    case BoardModel::FailureTip::OutOfMemory:
        text = L"Not enough memory for the board";
        break;
    case BoardModel::FailureTip::NoScreen:
        text = L"Could not take a picture of the screen";
        break;
    case BoardModel::FailureTip::Error:
        text = L"The board closed after an error";
        break;
    }
    try {
        BoardTip(shownOn, text, kFailureTipMs);
    } catch (...) {
        ORVEL_TRACE("board-tip failed");  // the board is closed all the same
    }
}

void BoardDlg::Close() noexcept {
    [[maybe_unused]] const BoardMode was = model.mode;
    if (cursorClipped) {
        ClipCursor(nullptr);
        cursorClipped = false;
        ORVEL_TRACE("board-clip released");
    }
    if (Hwnd()) ShowWindow(Hwnd(), SW_HIDE);
    if (cursorHidden) {
        [[maybe_unused]] const int count = ShowCursor(TRUE);
        cursorHidden = false;
        ORVEL_TRACE("board-cursor shown count=%d", count);
    }
    model.OnClose();
    SetMode(BoardMode::Off);
    // A closed board holds no pictures of the screen: every activation takes its own.
    {
        BoardLockScope lock(boardLock.Get(), INFINITE);
        frameBitmap.Release();
        inkBitmap.Release();
        screenBitmap.Release();
    }
    if (Hwnd() && !spotSquare.Empty()) SetWindowRgn(Hwnd(), nullptr, FALSE);
    spotSquare = BoardRect{};
    ORVEL_TRACE("board-close mode=%d", int(was));
}

BoardDlg::Capture BoardDlg::CaptureScreen() {
    RECT monitor{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    {
        BoardLockScope lock(boardLock.Get(), INFINITE);
        if (model.screenCaptured) {
            // Cleared again over the picture it has: the board stays where that picture was taken.
            monitor = {origin.x, origin.y, origin.x + boardWidth + 1, origin.y + boardHeight};
        } else {
            POINT cursor{};
            GetCursorPos(&cursor);
            MONITORINFO info{};
            info.cbSize = sizeof info;
            HMONITOR under = MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
            if (!GetMonitorInfoW(under, &info)) {
                // The primary monitor then, with its own rectangle and DPI (never one monitor's figures for
                // another's pixels).
                under = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
                if (!GetMonitorInfoW(under, &info)) info.rcMonitor = monitor;
            }
            monitor = info.rcMonitor;
            // The program is per-monitor aware: rcMonitor, the copy below and every figure of the board are
            // that monitor's own pixels, and the figures are scaled to its DPI.
            TakeScale(under);
        }
        const int width = monitor.right - monitor.left;
        const int height = monitor.bottom - monitor.top;
        origin = {monitor.left, monitor.top};
        boardWidth = width - 1;  // one pixel narrower than the monitor
        boardHeight = height;
        if (!model.screenCaptured) {
            frameBitmap.Release();
            inkBitmap.Release();
            screenBitmap.Release();
            // The spotlight shows the live desktop: it needs no picture of it.
            if (model.mode != BoardMode::Spotlight) {
                if (!screenBitmap.Create(width, height) || !inkBitmap.Create(width, height) ||
                    !frameBitmap.Create(width, height)) {
                    frameBitmap.Release();
                    inkBitmap.Release();
                    screenBitmap.Release();
                    return Capture::NoPictures;
                }
                // A screen the program may not copy (a secure desktop in front) leaves the picture black: a
                // board over it would only pretend to freeze the screen, and its snaps would save nothing.
                if (!CaptureScreenArea(screenBitmap, monitor)) {
                    frameBitmap.Release();
                    inkBitmap.Release();
                    screenBitmap.Release();
                    return Capture::NoScreen;
                }
            }
        }
        model.OnCapture();
        if (model.mode == BoardMode::Highlighter && inkBitmap) {
            const BoardPixels ink = inkBitmap.Pixels();
            std::memset(ink.bits, 0, std::size_t(ink.width) * std::size_t(ink.height) * sizeof(uint32_t));
        }
        if (model.mode == BoardMode::Highlighter && !model.penShown) {
            model.penAt = CursorPoint();
            model.penShown = true;
        }
        if (frameBitmap) {
            ComposeFrame(frameBitmap.Pixels(), screenBitmap.Pixels(), inkBitmap.Pixels(), model.Scene(),
                         frameBitmap.Pixels().Bounds());
        }
    }
    SetWindowPos(Hwnd(), HWND_TOPMOST, monitor.left, monitor.top, boardWidth, boardHeight, SWP_NOACTIVATE);
    if (IsShown()) {
        InvalidateRect(Hwnd(), nullptr, FALSE);
        UpdateWindow(Hwnd());
    }
    return Capture::Made;
}

void BoardDlg::PrepareWindow() {
    if (model.mode == BoardMode::Spotlight) {
        SetLayeredWindowAttributes(Hwnd(), 0, kSpotlightAlpha, LWA_ALPHA);
        BOOL composed = FALSE;
        const DwmEntryPoints& dwm = DwmFunctions();
        desktopComposed =
            dwm.DwmIsCompositionEnabled && SUCCEEDED(dwm.DwmIsCompositionEnabled(&composed)) && composed;
        spotSquare = BoardRect{};
        PlaceSpotlight(SpotlightAt(CursorPoint()));
    } else {
        SetWindowRgn(Hwnd(), nullptr, FALSE);
        spotSquare = BoardRect{};
        SetLayeredWindowAttributes(Hwnd(), 0, 255, LWA_ALPHA);
    }
}

void BoardDlg::TakeScale(HMONITOR monitor) {
    model.metrics = BoardMetrics::For(DisplayScale::FromDpi(DpiForMonitor(monitor)));
    const int side = model.metrics.cursorSide;
    if (side != penCursorSide || !penCursor) {
        // The cursor file holds a picture per scale; the system picks the nearest and fits it to `side`.
        UniqueCursor loaded(static_cast<HCURSOR>(
            LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDC_PEN_CURSOR), IMAGE_CURSOR, side, side, LR_DEFAULTCOLOR)));
        if (loaded) {
            penCursor = std::move(loaded);
            penCursorSide = side;
        }
    }
#if defined(ORVEL_TEST_HOOKS)
    int cursorWidth = 0, cursorHeight = 0;
    ICONINFO icon{};
    if (penCursor && GetIconInfo(penCursor.Get(), &icon)) {
        BITMAP mask{};
        if (GetObjectW(icon.hbmMask, sizeof mask, &mask)) {
            cursorWidth = mask.bmWidth;
            // A monochrome cursor's mask holds the AND and the XOR pictures one above the other.
            cursorHeight = icon.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
        }
        if (icon.hbmMask) DeleteObject(icon.hbmMask);
        if (icon.hbmColor) DeleteObject(icon.hbmColor);
    }
    const BoardMetrics& m = model.metrics;
    ORVEL_TRACE("board-scale dpi=%d stroke=%d pen-box=%d outline=%d cursor=%d cursor-loaded=%dx%d spotlight=%d",
                m.scale.dpi, m.strokeWidth, m.penCursorBox, m.outlineWidth, m.cursorSide, cursorWidth, cursorHeight,
                SpotlightSide(SpotlightRadius, m.scale));
#endif
}

void BoardDlg::ConfineCursor() {
    RECT window{};
    if (!GetWindowRect(Hwnd(), &window)) return;
    if (!ClipCursor(&window)) return;
    cursorClipped = true;
    ORVEL_TRACE("board-clip confined=%ld,%ld,%ld,%ld", window.left, window.top, window.right, window.bottom);
}

// ------------------------------------------------------------------------------------------- raw input

void BoardDlg::OnRawMouse(long lastX, long lastY, unsigned buttonFlags, unsigned buttonData,
                          const POINT* madeAt) noexcept {
    Guarded("raw-mouse", [&] { TakeRawMouse(lastX, lastY, buttonFlags, buttonData, madeAt); });
}

void BoardDlg::TakeRawMouse(long lastX, long lastY, unsigned buttonFlags, unsigned buttonData, const POINT* madeAt) {
    // The closed, hidden board: every record of the desktop passes through here.
    if (model.mode == BoardMode::Off && !IsShown()) return;
    [[maybe_unused]] const int colour = model.colourIndex;
    // A press or a release belongs where it was made: when the UI thread is behind, the cursor has moved on
    // since, and a selection would start or end in the wrong place. A move takes the cursor as it is now, so
    // that the pen keeps up.
    recordAt = buttonFlags != 0 ? madeAt : nullptr;
    model.OnRawMouse(int(lastX), int(lastY), buttonFlags, int(short(buttonData & 0xFFFF)), *this);
    recordAt = nullptr;
    if (model.colourIndex != colour) ORVEL_TRACE("board-colour %d", model.colourIndex);
}

BoardPoint BoardDlg::CursorPoint() {
    POINT cursor{};
    if (recordAt) {
        cursor = *recordAt;
    } else {
        GetCursorPos(&cursor);
    }
    return {int(cursor.x - origin.x), int(cursor.y - origin.y)};
}

bool BoardDlg::Shown() { return IsShown(); }

void BoardDlg::Show() {
    ShowWindow(Hwnd(), SW_SHOWNORMAL);
    ConfineCursor();
}

void BoardDlg::Hide() { ShowWindow(Hwnd(), SW_HIDE); }

void BoardDlg::Refresh(const BoardRect& rect) {
    const BoardRect area = Intersect(rect, {0, 0, boardWidth, boardHeight});
    if (area.Empty() || !frameBitmap) return;
    ComposeFrame(frameBitmap.Pixels(), screenBitmap.Pixels(), inkBitmap.Pixels(), model.Scene(), area);
    const RECT r = ToRect(area);
    InvalidateRect(Hwnd(), &r, FALSE);
}

void BoardDlg::RefreshAll() {
    if (frameBitmap) {
        ComposeFrame(frameBitmap.Pixels(), screenBitmap.Pixels(), inkBitmap.Pixels(), model.Scene(),
                     frameBitmap.Pixels().Bounds());
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void BoardDlg::Stroke(BoardPoint from, BoardPoint to) {
    if (!inkBitmap) return;
    Refresh(StampStroke(inkBitmap.Pixels(), from, to, StrokeColour(model.colourIndex), model.metrics.strokeWidth));
}

void BoardDlg::SaveSnap(SnapTarget target) { SaveSnapNow(target); }

void BoardDlg::Recapture() {
    // Cleared again over the picture it has: nothing is copied from the screen, so nothing can fail here but
    // the pictures, which are kept.
    CaptureScreen();
}

void BoardDlg::MoveSpotlight(BoardPoint at) { PlaceSpotlight(SpotlightAt(at)); }

// ------------------------------------------------------------------------------------------ the spotlight

BoardRect BoardDlg::SpotlightAt(BoardPoint cursor) const {
    const int side = SpotlightSide(SpotlightRadius, model.metrics.scale);
    return SpotlightSquare({cursor.x + int(origin.x), cursor.y + int(origin.y)}, {int(origin.x), int(origin.y)},
                           side);
}

void BoardDlg::PlaceSpotlight(const BoardRect& square) {
    if (square == spotSquare || square.Empty()) return;
    const int side = square.Width();
    if (side != spotSide) {
        spotShape = PolygonSpans(SpotlightPolygon({0, 0, side, side}), 0, side);
        spotSide = side;
        ORVEL_TRACE("board-spotlight side=%d", side);
    }
    RowSpans hole;
    hole.top = square.top;
    hole.rowStart = spotShape.rowStart;
    hole.spans = spotShape.spans;
    for (RowSpans::Span& s : hole.spans) {
        s.left += square.left;
        s.right += square.left;
    }
    const std::vector<uint32_t> data = BuildRegionData(BoardMinusHole(boardWidth, boardHeight, hole));
    if (data.empty()) return;
    HRGN region = ExtCreateRegion(nullptr, DWORD(data.size() * sizeof(uint32_t)),
                                  reinterpret_cast<const RGNDATA*>(data.data()));
    if (!region) return;
    // Not redrawn by the system, which would repaint the whole board for every move: the window is black
    // everywhere it has been painted, so only the pixels that were in the old hole need painting now.
    if (!SetWindowRgn(Hwnd(), region, FALSE)) {
        DeleteObject(region);
        return;
    }
    const BoardRect before = spotSquare;
    spotSquare = square;
    const BoardRect uncovered = Intersect(before, {0, 0, boardWidth, boardHeight});
    if (!uncovered.Empty()) {
        const RECT r = ToRect(uncovered);
        InvalidateRect(Hwnd(), &r, FALSE);
    }
    // Without composition the windows below keep no picture of their own: what the new hole shows of them
    // must be painted again.
    if (!desktopComposed) {
        const BoardRect shown = Intersect(square, {0, 0, boardWidth, boardHeight});
        RECT onScreen = ToRect(shown);
        OffsetRect(&onScreen, origin.x, origin.y);
        if (!shown.Empty()) {
            RedrawWindow(nullptr, &onScreen, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
    }
}

// ---------------------------------------------------------------------------------------------- snaps

void BoardDlg::SaveSnapNow(SnapTarget target) {
    HideTip(1);  // the tip must not be in the picture, nor stay over the board
    // The board stays shown: the snap is made from the frozen picture and the ink, never from the screen.
    // Hiding it for the snap handed the foreground to the window below and back on every snap (that window
    // saw itself activated), and under Wine could leave that window above the board.
    RECT window{};
    GetWindowRect(Hwnd(), &window);
    model.snapActive = 1;
    if (model.mode == BoardMode::Highlighter) Refresh(SquareAround(model.penAt, model.metrics.penCursorBox));
    const BoardRect rect = model.SnapRect(window.right - window.left, window.bottom - window.top);
#if defined(ORVEL_TEST_HOOKS)
    NextBoardPictureRefused();  // a snap's picture is a vector: it can only throw
#endif
    const SnapImage image = SnapPixels(screenBitmap.Pixels(), inkBitmap.Pixels(), model.mode, rect,
                                       model.mode == BoardMode::Freeform ? &model.OutlineInside() : nullptr);

    if (target == SnapTarget::Clipboard) {
        // Claimed only when the clipboard took it. The desktop's snap folder is none of its business.
        const bool copied = CopySnapToClipboard(Hwnd(), image);
        if (copied) BoardTip(window, L"Save to Clipboard", kSnapTipMs);
        ORVEL_TRACE("board-snap clipboard ok=%d size=%dx%d", copied, image.width, image.height);
    } else {
        const SnapFileResult file = SaveSnapAsNewPng(image);
        if (!file.path.empty()) {
            BoardTip(window, (file.saved ? L"Save to " : L"Could not save ") + file.path, kSnapTipMs);
        }
        ORVEL_TRACE("board-snap file ok=%d size=%dx%d path=%s", file.saved, image.width, image.height,
                    file.path.empty() ? "no-desktop" : TraceUtf8(file.path).c_str());
    }

    model.snapActive = 0;
    if (model.mode == BoardMode::Highlighter) Refresh(SquareAround(model.penAt, model.metrics.penCursorBox));
}

// ------------------------------------------------------------------------------------------- messages

Dialog::Reply BoardDlg::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

Dialog::Reply BoardDlg::OnInitDialog() {
    MakeWindowLayered(Hwnd(), 0);
    return Handled(TRUE);
}

// However the board was shown or hidden, the hook's thread learns it here; the system's handling follows.
Dialog::Reply BoardDlg::OnWindowPosChanged() {
    BoardVisible = IsWindowVisible(Hwnd()) != FALSE;
    return PassOn();
}

Dialog::Reply BoardDlg::OnSetCursor(msg::SetCursor) {
    if (model.mode < BoardMode::Freeform || model.mode > BoardMode::Spotlight || !penCursor) return PassOn();
    SetCursor(penCursor.Get());
    return Handled(TRUE);
}

// The monitor under the board changed its scale. Its frozen picture, pen and spotlight were made for the old
// one: the board closes, as for a display change, and the next press opens it at the new scale. The window
// takes the rectangle the system suggests all the same (each opening places it again over its monitor).
Dialog::Reply BoardDlg::OnDpiChanged(msg::Params params) {
    const int dpi = int(LOWORD(params.w));
    const bool closes = model.DpiChangeCloses(dpi);
    ORVEL_TRACE("board-dpi-changed dpi=%d was=%d mode=%d closes=%d", dpi, model.metrics.scale.dpi, int(model.mode),
                closes ? 1 : 0);
    if (closes) Close();
    TakeSuggestedRect(Hwnd(), params.l);
    return Handled(0);
}

void BoardDlg::Paint() {
    // The hook's thread changed the spotlight's size and invalidated the board.
    if (model.mode == BoardMode::Spotlight && SpotlightSide(SpotlightRadius, model.metrics.scale) != spotSide) {
        PlaceSpotlight(SpotlightAt(CursorPoint()));
    }
    PaintScope paint(Hwnd());
    if (!paint.Dc()) return;
    BoardLockScope lock(boardLock.Get(), 0);
    if (!lock.Held()) return;  // a capture on this thread repaints everything once it is done
    const RECT& r = paint.Invalid();
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width >= boardWidth && height >= boardHeight) ORVEL_TRACE("board-paint all mode=%d", int(model.mode));
    if (model.mode == BoardMode::Spotlight) {
        PatBlt(paint.Dc(), r.left, r.top, width, height, BLACKNESS);
    } else if (frameBitmap) {
        BitBlt(paint.Dc(), r.left, r.top, width, height, frameBitmap.Dc(), r.left, r.top, SRCCOPY);
    }
}
