// The function picker's figures, measured where it runs, with the real catalogue in a top-level list that
// has no owner:
//   1. "picker ShowAt to first present": from the call of ShowAt (the top level, 6 rows) until the list has
//      handed its first frame to the system;
//   2. the first open of a process's life, each in a process of its own: without the warm-up, and after the
//      warm-up the program makes 1.5 s after its start (the top level drawn off screen), beside figure 1's
//      warm opens;
//   3. "picker scroll tick paint": the repaint one animation tick asks for (every tick repaints the whole
//      list), the list shown.
// Figures 1 and 3 also at 192 DPI, in the same run (the scale handed to ShowAt, whatever the system's DPI):
// a list of 600 x 448 pixels with 72-pixel rows and fonts and pictures twice as large.
// With ORVEL_BENCH_PICKER_HOLD_MS set, the figures are followed by a look at the lists: one opening its
// sub-list to the right with a row of it highlighted, one at the screen's right edge opening to the left,
// and an empty one ("No item"), kept on screen that long for a screenshot. With ORVEL_BENCH_PICKER_WHEEL set
// (on a screen too low for the top level), the slide under the wheel is counted in repaints.
#include "bench/BenchSupport_win.h"
#include "overlays/ImageCache_win.h"
#include "overlays/ZuItemList_win.h"
#include "resources/resource.h"
#include "shell/Catalogue.h"
#include "toolkit/UiThread_win.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A list that notes when its first frame reached the system and what its last paint took.
class TimedPicker : public ZuItemList {
public:
    TimedPicker() : ZuItemList(1, IDB_FOLDER) {}
    double firstPresentAt = 0;
    double lastPaintMs = 0;
    int paints = 0;  // presented

protected:
    void Paint() override {
        const double start = NowMs();
        ZuItemList::Paint();
        const double end = NowMs();
        lastPaintMs = end - start;
        if (!LastPaint().presented) return;
        ++paints;
        if (firstPresentAt == 0) firstPresentAt = end;
    }
};

// Runs the thread's messages (the lists' paints and the work their scroll threads post) for `ms`.
void PumpFor(DWORD ms) { PumpUntil(ms, [] { return false; }); }

// One first open in a fresh process, from ShowAt to the first present, in microseconds; the warm-up first
// when asked for, as the program makes it long before the first open.
int FirstOpen(bool warmUp) {
    UiThread::Open();
    const std::vector<_ZuItemListDB> catalogue = BuildCatalogue(false, DisplayTexts()).entries;
    int figure = -1;
    {
        TimedPicker list;
        list.Start(nullptr);
        if (list.Hwnd()) {
            if (warmUp) {  // the warm-up's picker steps: the top level drawn off screen, the icons decoded
                list.WarmUp(catalogue);
                for (const _ZuItemListDB& entry : catalogue) {
                    if (entry.iconId) CachedPng(entry.iconId);
                }
            }
            PumpFor(50);
            list.SetItems(catalogue, 0);
            const double start = NowMs();
            list.ShowAt(200, 150, 0);
            if (list.firstPresentAt != 0) figure = int((list.firstPresentAt - start) * 1000.0);
            list.Hide();
        }
    }
    UiThread::Close();
    return figure;
}

int FirstOpenCold() { return FirstOpen(false); }
int FirstOpenAfterWarmUp() { return FirstOpen(true); }

// The client point in the middle of row k of an unscrolled list.
LPARAM RowPoint(int k) { return MAKELPARAM(100, 4 + 36 * k + 18); }

void PickerLook(const std::vector<_ZuItemListDB>& catalogue, DWORD holdMs) {
    // Top level at the left: "Function key" (row 3) hovered, its sub-list open, "Paste" (row 2) highlighted.
    TimedPicker left, right, empty;
    for (TimedPicker* list : {&left, &right, &empty}) list->Start(nullptr);
    left.SetItems(catalogue, 0);
    left.ShowAt(60, 80, 0);
    SendMessageW(left.Hwnd(), WM_MOUSEMOVE, 0, RowPoint(3));
    if (ZuItemList* sub = left.OpenSubList()) SendMessageW(sub->Hwnd(), WM_MOUSEMOVE, 0, RowPoint(2));

    // At the right edge of the screen: moved left, and "Multimedia" (row 4) opens its sub-list to the left.
    right.SetItems(catalogue, 0);
    right.ShowAt(GetSystemMetrics(SM_CXSCREEN) - 100, 80, 0);
    SendMessageW(right.Hwnd(), WM_MOUSEMOVE, 0, RowPoint(4));

    // No catalogue at all.
    empty.SetItems({}, 0);
    empty.ShowAt(60, 520, 0);

    std::printf("picker look: left sub-list %s, right sub-list %s\n", left.OpenSubList() ? "open" : "missing",
                right.OpenSubList() ? "open" : "missing");
    std::fflush(stdout);
    PumpFor(holdMs);
}

// The slide under the wheel, where the screen is too low for the top level (ORVEL_BENCH_PICKER_WHEEL): how
// many repaints each wheel message brings, and that none come once the rows rest.
void PickerWheelLook(const std::vector<_ZuItemListDB>& catalogue) {
    TimedPicker list;
    list.Start(nullptr);
    list.SetItems(catalogue, 0);
    list.ShowAt(60, 0, 0);
    PumpFor(200);
    RECT bounds{};
    GetWindowRect(list.Hwnd(), &bounds);
    std::printf("picker wheel: list %ld high at y %ld\n", bounds.bottom - bounds.top, bounds.top);
    const struct {
        const char* what;
        short delta;
    } steps[] = {{"towards", -120}, {"towards again", -120}, {"away", 120}, {"away again", 120}};
    for (const auto& step : steps) {
        const int before = list.paints;
        SendMessageW(list.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(step.delta)), MAKELPARAM(100, 100));
        PumpFor(400);
        const int sliding = list.paints - before;
        PumpFor(1000);
        std::printf("picker wheel %s: %d paints while sliding, %d in the second after\n", step.what, sliding,
                    list.paints - before - sliding);
    }
    std::fflush(stdout);
}

void PickerFigures(const std::wstring&) {
    UiThread::Open();
    const std::vector<_ZuItemListDB> catalogue = BuildCatalogue(false, DisplayTexts()).entries;
    {
        TimedPicker list;
        list.Start(nullptr);
        if (!list.Hwnd()) {
            std::printf("picker: the list's window cannot be made\n");
            UiThread::Close();
            return;
        }

        // The same list at 96 DPI and at 192, one after the other: each scale's first open makes its fonts
        // and frame, the runs after it reuse them, as a list does on one monitor.
        Figures showAt[2], tick[2];
        const DisplayScale scales[2] = {DisplayScale::FromDpi(96), DisplayScale::FromDpi(192)};
        for (int s = 0; s < 2; ++s) {
            for (int run = 0; run < 30; ++run) {
                list.Hide();
                PumpFor(5);
                list.firstPresentAt = 0;
                list.SetItems(catalogue, 0);
                const double start = NowMs();
                list.ShowAt(200, 150, 0, scales[s]);
                if (list.firstPresentAt != 0) showAt[s].Add(list.firstPresentAt - start);
                PumpFor(5);
            }
            RECT bounds{};
            GetWindowRect(list.Hwnd(), &bounds);
            std::printf("picker at %d DPI: %ld x %ld\n", scales[s].dpi, bounds.right - bounds.left,
                        bounds.bottom - bounds.top);
            for (int run = 0; run < 100; ++run) {
                list.ScrollTick();
                InvalidateRect(list.Hwnd(), nullptr, FALSE);
                UpdateWindow(list.Hwnd());
                if (list.LastPaint().presented) tick[s].Add(list.lastPaintMs);
            }
        }
        PrintFigure("picker ShowAt to first present", showAt[0]);
        PrintFigure("picker ShowAt to first present at 192 DPI", showAt[1]);
        PrintFigure("picker first open of a process, no warm-up", RunBenchChild(L"picker-first-open-cold", 7));
        PrintFigure("picker first open of a process, after the warm-up",
                    RunBenchChild(L"picker-first-open-warm", 7));
        PrintFigure("picker scroll tick paint", tick[0]);
        PrintFigure("picker scroll tick paint at 192 DPI", tick[1]);
        list.Hide();
    }
    if (std::getenv("ORVEL_BENCH_PICKER_WHEEL")) PickerWheelLook(catalogue);
    if (const char* hold = std::getenv("ORVEL_BENCH_PICKER_HOLD_MS")) PickerLook(catalogue, DWORD(std::atoi(hold)));
    UiThread::Close();
    ReleaseCachedPngs();  // the lists are gone; GDI+ shuts down when the benchmark ends
}

// These figures alone (ORVEL_BENCH_ONLY=picker): they run first and end the benchmark.
void PickerOnly(const std::wstring& program) {
    RunAloneIfAsked("picker", PickerFigures, program);
}

}  // namespace

ORVEL_BENCH_FIGURE(-998, PickerOnly);
ORVEL_BENCH_FIGURE(30, PickerFigures);
ORVEL_BENCH_CHILD(L"picker-first-open-cold", FirstOpenCold);
ORVEL_BENCH_CHILD(L"picker-first-open-warm", FirstOpenAfterWarmUp);
