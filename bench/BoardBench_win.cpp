// The presenter board's figures, on a board as large as the screen the benchmark runs on (bench/run.sh runs
// them again on screens of 1920 x 1080 and 3840 x 2160). Each figure is what the UI thread spends from the
// moment a raw mouse record is handed over until the changed pixels are on the screen (the paint done, the
// window surface flushed, which Wine does when the thread next looks for messages, and the display caught up):
//   1. "full frame": the whole board rendered again and copied to the window (a middle click does this);
//   2. "full frame as a layered window": a dark layer of the board's size handed over whole with
//      UpdateLayeredWindow, as a board that presents everything with per-pixel alpha would for every record;
//   3. "pen move": the highlighter's pen cursor one step further;
//   4. "stroke move": the same while drawing, so a piece of stroke is added too;
//   5. "spotlight move": the board's own way, the clear square moved as a hole in the window region of a dark
//      window of constant alpha, only the uncovered pixels painted;
//   6. the same hole, the region set with the system redrawing the window;
//   7. the layer of 2 handed over with UpdateLayeredWindowIndirect and the dirty rectangle of the old and
//      the new square.
// Then each move's ratio to both full frames. With ORVEL_BENCH_ONLY=board only these figures run.
#include "bench/BenchSupport_win.h"
#include "overlays/BoardDlg_win.h"
#include "overlays/BoardGeometry.h"
#include "overlays/LayeredWindow_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Dwm_win.h"
#include "toolkit/Scopes_win.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kFullRuns = 20;
constexpr int kMoveRuns = 150;
constexpr int kStep = 4;  // pixels per move: a slow, steady hand

// The window surfaces are flushed when the thread finds no message waiting: ask for one that never comes.
// Then one pixel is read back from the screen, which waits until the display has done what it was sent, so
// that a figure holds the display's work too and not only the sending of it.
void FlushSurfaces() {
    MSG message;
    PeekMessageW(&message, nullptr, WM_APP + 0x3A0, WM_APP + 0x3A0, PM_NOREMOVE);
    if (ScreenDc screen; screen) GetPixel(screen.Get(), 0, 0);
}

// Everything queued (the board's own paints among it), outside the timed part.
void Drain() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// A raw mouse record for the board after the cursor moved to (x, y): milliseconds until it is painted.
double TimedRecord(BoardDlg& board, int x, int y, long dx, unsigned flags) {
    SetCursorPos(x, y);
    Drain();
    const double start = NowMs();
    board.OnRawMouse(dx, 0, flags, 0);
    UpdateWindow(board.Hwnd());
    FlushSurfaces();
    return NowMs() - start;
}

std::string Name(const char* size, const char* what) { return std::string("board ") + size + " " + what; }

// A move's median against the board's own full frame and against a full frame of a layered window.
void Ratio(const char* size, const char* what, const Figures& move, const Figures& full, const Figures& layered) {
    auto of = [&move](const Figures& whole) { return whole.Median() > 0 ? move.Median() / whole.Median() : 0; };
    std::printf("board %s %s / full frame: %.4f\n", size, what, of(full));
    std::printf("board %s %s / layered full frame: %.4f\n", size, what, of(layered));
    std::fflush(stdout);
}

// -------------------------------------------------------------------------- the spotlight, other ways

struct DarkLayer {
    int width = 0;
    int height = 0;
    LayeredSurface surface;  // bottom-up rows of premultiplied 0xC8000000, 0 in the hole
    BoardRect hole;

    uint32_t* Row(int y) { return static_cast<uint32_t*>(surface.Bits()) + std::size_t(height - 1 - y) * width; }
    void Fill(const BoardRect& r, uint32_t value) {
        const BoardRect area = Intersect(r, {0, 0, width, height});
        for (int y = area.top; y < area.bottom; ++y) std::fill(Row(y) + area.left, Row(y) + area.right, value);
    }
    // Moves the hole: the old square dark again, the new one's rounded pixels clear. The changed rectangle.
    BoardRect MoveHole(const BoardRect& square) {
        const BoardRect before = hole;
        Fill(before, kDarkenColour);
        const RowSpans spans = PolygonSpans(SpotlightPolygon(square), square.top, square.bottom);
        for (int y = std::max(0, square.top); y < std::min(height, square.bottom); ++y) {
            for (const RowSpans::Span* s = spans.Begin(y); s != spans.End(y); ++s) {
                Fill({s->left, y, s->right, y + 1}, 0);
            }
        }
        hole = square;
        return Union(Intersect(before, {0, 0, width, height}), Intersect(square, {0, 0, width, height}));
    }
};

LRESULT PaintBlack(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PatBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top,
           BLACKNESS);
    EndPaint(hwnd, &ps);
    return 0;
}

HRGN HoleRegion(int width, int height, const BoardRect& square) {
    const std::vector<uint32_t> data = BuildRegionData(
        BoardMinusHole(width, height, PolygonSpans(SpotlightPolygon(square), square.top, square.bottom)));
    return ExtCreateRegion(nullptr, DWORD(data.size() * 4), reinterpret_cast<const RGNDATA*>(data.data()));
}

struct Alternatives {
    Figures redrawn, layeredFull, layeredDirty;
};

Alternatives SpotlightAlternatives(int width, int height) {
    Alternatives out;
    const int side = SpotlightRadius;
    const int cx = width / 2, cy = height / 2;

    // The region hole, redrawn by the system on every change.
    if (HWND hwnd = CreateBenchWindow(0, 0, width, height, PaintBlack)) {
        SetLayeredWindowAttributes(hwnd, 0, 0xC8, LWA_ALPHA);
        UpdateWindow(hwnd);
        for (int i = 0; i < kMoveRuns; ++i) {
            const int x = cx + ((i & 1) ? kStep : 0);
            Drain();
            const double start = NowMs();
            SetWindowRgn(hwnd, HoleRegion(width, height, SquareAround({x, cy}, side)), TRUE);
            UpdateWindow(hwnd);
            FlushSurfaces();
            out.redrawn.Add(NowMs() - start);
        }
        DestroyWindow(hwnd);
    }

    // The dark layer with per-pixel alpha: whole, and with the dirty rectangle.
    DarkLayer layer;
    layer.width = width;
    layer.height = height;
    layer.surface = LayeredSurface(width, height);
    // Painted by UpdateLayeredWindow alone; its WM_PAINT only validates.
    HWND hwnd = layer.surface ? CreateBenchWindow(0, 0, width, height, PaintBlack) : nullptr;
    if (!hwnd) return out;
    layer.Fill({0, 0, width, height}, kDarkenColour);
    layer.MoveHole(SquareAround({cx, cy}, side));
    PresentLayered(hwnd, layer.surface.Dc());
    for (int i = 0; i < kFullRuns; ++i) {
        const int x = cx + ((i & 1) ? kStep : 0);
        Drain();
        const double start = NowMs();
        layer.MoveHole(SquareAround({x, cy}, side));
        PresentLayered(hwnd, layer.surface.Dc());
        FlushSurfaces();
        out.layeredFull.Add(NowMs() - start);
    }
    for (int i = 0; i < kMoveRuns; ++i) {
        const int x = cx + ((i & 1) ? kStep : 0);
        Drain();
        const double start = NowMs();
        const BoardRect changed = layer.MoveHole(SquareAround({x, cy}, side));
        const RECT r{changed.left, changed.top, changed.right, changed.bottom};
        PresentLayeredDirty(hwnd, layer.surface.Dc(), r);
        FlushSurfaces();
        out.layeredDirty.Add(NowMs() - start);
    }
    DestroyWindow(hwnd);
    return out;
}

// ------------------------------------------------------------------------------------------ the board

void BoardFigures(const std::wstring&) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    const int cx = width / 2, cy = height / 2;

    // As in the program, where the switcher has looked the composition up before the board opens.
    DwmFunctions();
    Figures full, pen, stroke, spot;
    {
        BoardDlg board;
        board.Start(nullptr);
        if (!board.Hwnd()) {
            std::printf("board: the window cannot be made\n");
            return;
        }
        SetCursorPos(cx, cy);

        // The highlighter.
        board.ToggleMode(BoardMode::Highlighter);
        Drain();
        for (int i = 0; i < kFullRuns; ++i) full.Add(TimedRecord(board, cx, cy, 0, kRawMiddleUp));
        for (int i = 0; i < kMoveRuns; ++i) pen.Add(TimedRecord(board, cx + ((i & 1) ? kStep : 0), cy, kStep, 0));
        TimedRecord(board, cx, cy, 0, kRawLeftDown);
        for (int i = 0; i < kMoveRuns; ++i) {
            // Along a line, so that every move adds a new piece of stroke.
            stroke.Add(TimedRecord(board, cx - 300 + i * kStep, cy + (i % 40), kStep, 0));
        }
        TimedRecord(board, cx, cy, 0, kRawLeftUp);
        board.ToggleMode(BoardMode::Highlighter);
        Drain();

        // The spotlight.
        SetCursorPos(cx, cy);
        board.ToggleMode(BoardMode::Spotlight);
        Drain();
        for (int i = 0; i < kMoveRuns; ++i) spot.Add(TimedRecord(board, cx + ((i & 1) ? kStep : 0), cy, kStep, 0));
        board.ToggleMode(BoardMode::Spotlight);
        Drain();
        board.Stop();
    }
    const Alternatives other = SpotlightAlternatives(width, height);

    PrintFigure(Name(size, "full frame").c_str(), full);
    PrintFigure(Name(size, "full frame as a layered window").c_str(), other.layeredFull);
    PrintFigure(Name(size, "pen move").c_str(), pen);
    PrintFigure(Name(size, "stroke move").c_str(), stroke);
    PrintFigure(Name(size, "spotlight move").c_str(), spot);
    PrintFigure(Name(size, "spotlight move, region redrawn by the system").c_str(), other.redrawn);
    PrintFigure(Name(size, "spotlight move, UpdateLayeredWindowIndirect with the dirty squares").c_str(),
                other.layeredDirty);
    const struct {
        const char* what;
        const Figures& figures;
    } moves[] = {{"pen move", pen},
                 {"stroke move", stroke},
                 {"spotlight move", spot},
                 {"spotlight move, region redrawn by the system", other.redrawn},
                 {"spotlight move, UpdateLayeredWindowIndirect", other.layeredDirty}};
    for (const auto& move : moves) Ratio(size, move.what, move.figures, full, other.layeredFull);
}

// The large-screen runs want the board's figures alone: they run first and end the benchmark.
void BoardOnly(const std::wstring& program) {
    RunAloneIfAsked("board", BoardFigures, program);
}

}  // namespace

ORVEL_BENCH_FIGURE(-1000, BoardOnly);
ORVEL_BENCH_FIGURE(60, BoardFigures);
