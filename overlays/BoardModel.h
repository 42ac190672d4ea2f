#pragma once
// What the presenter board does with the mouse: its mode, the highlighter's colour and drag, the selection of
// the screen snaps, and the order in which one raw mouse record is taken apart (wheel, fifth button, left
// up, right up, left down, middle up, then the move). Portable: the board's window is the host that shows,
// hides, repaints and snaps when the model asks.
#include "overlays/BoardGeometry.h"
#include "overlays/BoardMode.h"
#include "overlays/BoardRaster.h"

#include <vector>

// usButtonFlags of a raw mouse record.
enum RawMouseButton : unsigned {
    kRawLeftDown = 0x0001,
    kRawLeftUp = 0x0002,
    kRawRightDown = 0x0004,
    kRawRightUp = 0x0008,
    kRawMiddleDown = 0x0010,
    kRawMiddleUp = 0x0020,
    kRawButton4Down = 0x0040,
    kRawButton4Up = 0x0080,
    kRawButton5Down = 0x0100,
    kRawButton5Up = 0x0200,
    kRawWheel = 0x0400,
};


enum class SnapTarget { Clipboard, File };

// What the board's window does for the model. Every call comes on the UI thread, in the order the record's
// steps ask for it.
class BoardHost {
public:
    virtual ~BoardHost() = default;
    virtual BoardPoint CursorPoint() = 0;  // the cursor now, in board coordinates
    virtual bool Shown() = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // The frame changed in `rect` (or everywhere): render it again and repaint it.
    virtual void Refresh(const BoardRect& rect) = 0;
    virtual void RefreshAll() = 0;
    // A highlighter stroke (a dot when the two points are equal) in the colour of the model's colourIndex.
    virtual void Stroke(BoardPoint from, BoardPoint to) = 0;
    virtual void SaveSnap(SnapTarget target) = 0;
    virtual void Recapture() = 0;  // the middle button: the frozen picture stays, strokes and outline go
    virtual void MoveSpotlight(BoardPoint at) = 0;
};

// The board's state. Field names follow what a reader of the board expects; start values as listed.
class BoardModel {
public:
    int dragState = 0;         // 1 while the left button is held on the board
    BoardPoint lastPoint;      // the pointer at the previous record that moved or pressed
    int colourIndex = 0;       // 0 red, 1 green, 2 blue, 3 yellow, 4 eraser
    BoardMode mode = BoardMode::Off;
    int snapActive = 0;        // 1 while a snap is being taken
    BoardPoint selStart;       // where the current selection drag began
    BoardPoint selLast;        // the latest point of the selection drag
    BoardRect selBounds;       // the selection's box; kept from one activation to the next
    std::vector<BoardPoint> selOutline;  // the free-form selection's points (closed back to the first)
    int screenCaptured = 0;    // 1 once the frozen picture of this activation has been taken
    // A selection was finished since the last capture, so the board darkens around it. Told apart from the
    // coordinates, which may well be 0 on the monitor's top or left edge.
    bool selectionMade = false;
    // Where the pen cursor was last drawn into the frame, so a move can repaint its old place.
    BoardPoint penAt;
    bool penShown = false;
    // The pen, the pen cursor and the outline at the scale of the monitor the board covers; the window sets
    // it when it freezes a monitor.
    BoardMetrics metrics;

    // The toggle: an open board closes whatever it shows; a closed one opens in `requested`.
    enum class Toggle { Close, Open, Nothing };
    Toggle DecideToggle(BoardMode requested) const;

    // What the capture changes: the outline goes, the drag's points go back to (0, 0), and no selection has
    // been made on the fresh picture yet. `selBounds` stays.
    void OnCapture();
    // The board closed.
    void OnClose();
    // WM_DPICHANGED with `newDpi`: whether the open board closes (see DpiChangeClosesBoard).
    bool DpiChangeCloses(int newDpi) const;

    // One of the board's operations failed half-way: memory ran out or the system refused a picture
    // (OutOfMemory), the screen could not be copied (NoScreen: a secure desktop in front, say; a board over a
    // black picture would only pretend to work), or anything else (Other). The board closes rather than go on
    // from whatever the failed step left, and frees its pictures; this says what it tells the user as it
    // closes: nothing when it was closed already, else why it went.
    enum class Failure { OutOfMemory, NoScreen, Other };
    enum class FailureTip { None, OutOfMemory, NoScreen, Error };
    FailureTip DecideFailureTip(Failure failure) const;

    // One raw mouse record: the relative move, usButtonFlags and the wheel delta (usButtonData as a signed
    // 16-bit value).
    void OnRawMouse(int dx, int dy, unsigned buttonFlags, int wheelDelta, BoardHost& host);

    // The snap's rectangle: the whole board (`boardWidth` x `boardHeight`) for the highlighter, the
    // selection otherwise.
    BoardRect SnapRect(int boardWidth, int boardHeight) const;
    // The inside of the closed free-form outline, row by row (what a free-form snap keeps and the board
    // leaves undarkened); computed when the outline closes.
    const RowSpans& OutlineInside() const { return outlineInside; }

    // What the frame shows now besides the picture and the ink.
    BoardScene Scene() const;

private:
    void MovePen(BoardPoint p, BoardHost& host);
    void CloseOutline(BoardPoint p);

    RowSpans outlineInside;
};
