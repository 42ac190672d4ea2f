#pragma once
// The presenter board (highlighter, screen snaps, spotlight): one window over the monitor under the pointer,
// created hidden as a child of the desktop's program-manager window and kept until the program ends.
//
// How it shows: in the highlighter and the snaps every pixel is opaque, so the window is layered with a
// constant alpha of 255 and paints in WM_PAINT by copying just the invalid rectangle out of a frame kept in
// memory (the frozen picture with the ink and whatever is drawn over it); a pointer move renders and copies
// only the few pixels it changed. The spotlight is a black window of constant alpha 0xC8 whose window
// region leaves out the rounded square around the pointer, so the desktop is live there and takes the mouse.
//
// Threads: the board belongs to the main thread; raw input, the dispatcher's toggle and its own messages
// all arrive there. The mouse hook's thread sees it only through BoardVisible and BoardShownMode
// (overlays/BoardMode.h), which the board keeps current, and its window handle, handed to the hook's part,
// which it may invalidate (the spotlight's size changed: the next paint takes the new size).
#include "overlays/BoardModel.h"
#include "overlays/BoardSurface_win.h"
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"
#include "toolkit/Handle_win.h"

#include <atomic>
#include <vector>

using UniqueCursor = UniqueHandle<handle_traits::NullInvalid<HCURSOR, &DestroyCursor>>;

class BoardDlg : public OverlayWindow, private BoardHost {
public:
    BoardDlg();
    ~BoardDlg() override;

    void Start(HWND owner) override;
    // Closes the board first: the cursor is released and shown as it was before the board opened.
    bool Stop() noexcept override;

    // 0 off; 1 highlighter, 2 and 3 the screen snaps, 4 spotlight. Published to the hook's thread.
    BoardMode Mode() const noexcept { return model.mode; }
    void SetMode(BoardMode newMode) noexcept;
    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }

    // Opens the board in `newMode`, or closes it when it is open in any mode.
    void ToggleMode(BoardMode newMode) noexcept;
    // Every raw mouse record of the desktop, whether the board is shown or not: the relative move,
    // usButtonFlags and usButtonData, and where the cursor was when the record was made (the WM_INPUT
    // message's position; null: read the cursor now). Costs next to nothing while the board is closed.
    void OnRawMouse(long lastX, long lastY, unsigned buttonFlags, unsigned buttonData,
                    const POINT* madeAt = nullptr) noexcept;
    // Monitors were added, removed or resized (`monitors`: every monitor now, screen coordinates). An open
    // board whose monitor is no longer there as it was closes, as a second press of its function would.
    void OnDisplayChange(const std::vector<BoardRect>& monitors);
    // The board's figures now (its monitor's scale while open; the benchmark and the traces read them).
    const BoardMetrics& Metrics() const noexcept { return model.metrics; }

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint() override;
    // Whatever failed (a picture that could not be made, a stroke, a snap), the board closes as a second press
    // would and says why on its monitor; the next press opens it afresh.
    void OnOperationFailed(bool outOfMemory) noexcept override;

private:
    Reply OnInitDialog();
    Reply OnWindowPosChanged();
    Reply OnSetCursor(msg::SetCursor cursor);
    Reply OnDpiChanged(msg::Params params);
    static const MessageEntry<BoardDlg> kMessages[];

    // Freezes the monitor under the cursor (unless this activation has its picture already), clears the
    // strokes and the outline, renders the frame and places the board over the monitor, one pixel narrower
    // than it. NoPictures when the pictures cannot be made, NoScreen when the screen cannot be copied.
    enum class Capture { Made, NoPictures, NoScreen };
    Capture CaptureScreen();
    // Closes the board after a failed operation and tells why on its monitor (BoardModel::DecideFailureTip).
    void Abandon(BoardModel::Failure failure) noexcept;
    void Close() noexcept;
    // ToggleMode's and OnRawMouse's work; whatever escapes them ends in OnOperationFailed.
    void ToggleNow(BoardMode newMode);
    void TakeRawMouse(long lastX, long lastY, unsigned buttonFlags, unsigned buttonData, const POINT* madeAt);
    // The window's look for the mode: opaque frame, or the spotlight's dark window with its hole.
    void PrepareWindow();
    void ConfineCursor();
    // The board's figures for the monitor `monitor` (its DPI), and the pen cursor at their size.
    void TakeScale(HMONITOR monitor);
    void SaveSnapNow(SnapTarget target);
    // Puts the spotlight's clear square at `square` (board coordinates) through the window region.
    void PlaceSpotlight(const BoardRect& square);
    BoardRect SpotlightAt(BoardPoint cursor) const;

    // BoardHost: what the model asks of the window.
    BoardPoint CursorPoint() override;
    bool Shown() override;
    void Show() override;
    void Hide() override;
    void Refresh(const BoardRect& rect) override;
    void RefreshAll() override;
    void Stroke(BoardPoint from, BoardPoint to) override;
    void SaveSnap(SnapTarget target) override;
    void Recapture() override;
    void MoveSpotlight(BoardPoint at) override;

    BoardModel model;                 // mode, colour, drag and selection
    BoardSurface screenBitmap;        // the frozen picture of the monitor, every pixel opaque
    BoardSurface inkBitmap;           // the highlighter's strokes, transparent where nothing is drawn
    BoardSurface frameBitmap;         // what the window shows but in the spotlight
    UniqueKernelHandle boardLock;     // held by painting and by capturing
    POINT origin{0, 0};               // the monitor's top-left corner on the screen
    int boardWidth = 0;               // the window's size: the monitor, one pixel narrower
    int boardHeight = 0;
    const POINT* recordAt = nullptr;  // while a button record is taken apart: where it was made
    bool cursorHidden = false;        // the highlighter hid the cursor; shown again when it closes
    bool cursorClipped = false;       // the board confined the cursor; released when it closes
    BoardRect spotSquare;             // where the spotlight's hole is now
    RowSpans spotShape;               // the hole for a square of spotSide at (0, 0)
    int spotSide = 0;
    bool desktopComposed = true;      // the system composes windows: nothing below needs repainting
    UniqueCursor penCursor;           // cursor 167 over the snaps and the spotlight, at penCursorSide
    int penCursorSide = 0;
};
