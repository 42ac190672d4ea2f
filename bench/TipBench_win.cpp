// The tooltip's and the gesture indicator's figures, measured where they run:
//   1. one fade pass's paint of a typical tip ("Highlighter mode ", 20 pixels, opacity of a fade pass):
//      the whole WM_PAINT, render and present;
//   2. one paint of the gesture indicator, through the frames of an animation.
// Both at 96 DPI and, beside it, at 192 DPI (the scale handed in, whatever the system's DPI is): the tip's
// font, margins and bar and the indicator's side twice as large.
// With ORVEL_BENCH_LOOK_MS set, the real tooltip, gesture indicator, magnifier and a dim panel are then
// shown for that many milliseconds so that a screenshot can be taken (the tip reaches full opacity through
// its own fader and is faded out at the end).
#include "bench/BenchSupport_win.h"
#include "overlays/CircleDlg_win.h"
#include "overlays/CursorDlg_win.h"
#include "overlays/ImageCache_win.h"
#include "overlays/PanelDlg_win.h"
#include "overlays/ZuTipDLG_win.h"
#include "shell/ProcessState.h"
#include "toolkit/UiThread_win.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

const std::wstring kTypicalTip = L"Highlighter mode ";
constexpr int kTipPixels = 20;
constexpr int kRuns = 100;

struct TipPaintBench {
    std::unique_ptr<Gdiplus::Font> font;
    BYTE alpha = 0;
    DisplayScale scale;
};
TipPaintBench* Tip = nullptr;

LRESULT PaintTipOnce(HWND hwnd) {
    PaintTip(hwnd, kTypicalTip, Tip->font.get(), Tip->alpha, nullptr, Tip->scale.Art());
    return 0;
}

int Indicator[2] = {0, 0};  // direction, ticks
DisplayScale IndicatorScale;

LRESULT PaintIndicatorOnce(HWND hwnd) {
    PaintGestureIndicator(hwnd, Indicator[0], Indicator[1], nullptr, IndicatorScale);
    return 0;
}

// One WM_PAINT of `hwnd`, as the UI thread runs it after an invalidation: milliseconds.
double TimedPaint(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, FALSE);
    const double start = NowMs();
    UpdateWindow(hwnd);
    return NowMs() - start;
}

// A picture for the dim panel: a grey ramp with a darker band, so a wrong copy shows.
UniqueBitmap PanelPicture(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            DWORD grey = DWORD(40 + 120 * x / width);
            if (y / 20 % 2) grey /= 2;
            pixels[y * width + x] = grey | grey << 8 | grey << 16;
        }
    }
    return bitmap;
}

void LookAtTheOverlays(DWORD lookMs) {
    UiThread::Open();
    SetCursorPos(640, 300);  // the magnifier shows the tip, twice its size

    // A dim panel behind the tip, so that the tip's translucency shows against something.
    UniqueBitmap picture = PanelPicture(480, 240);
    std::unique_ptr<PanelDlg> panel = PanelDlg::CreatePanel(nullptr);
    if (panel) {
        panel->SetBitmap(picture.Get());
        SetWindowPos(panel->Hwnd(), HWND_TOPMOST, 400, 180, 480, 240, SWP_NOACTIVATE);
        ShowWindow(panel->Hwnd(), SW_SHOWNOACTIVATE);
    }

    TooltipPart tooltip;
    tooltip.Start(nullptr);
    const double shown = NowMs();
    ShowTip(640, 300, kTypicalTip, int(lookMs) + 2000, kTipPixels);
    const bool opaque = PumpUntil(2000, [] {
        ZuTipDLG* tip = ShownTipWindow();
        return tip && tip->TipAlpha() == 255;
    });
    std::printf("look: tooltip %s after %.0f ms\n", opaque ? "fully opaque" : "not opaque", NowMs() - shown);

    CursorDlg indicator;
    indicator.Start(nullptr);
    indicator.GestureTipDirection = 2;
    GestureTipTicks = 7;  // left, the fourth picture (PNG 174)
    SetWindowPos(indicator.Hwnd(), HWND_TOPMOST, 624, 350, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(indicator.Hwnd(), SW_SHOWNOACTIVATE);
    InvalidateRect(indicator.Hwnd(), nullptr, FALSE);

    CircleDLG magnifier;
    magnifier.Start(nullptr);
    SetWindowPos(magnifier.Hwnd(), HWND_TOPMOST, 940, 40, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(magnifier.Hwnd(), SW_SHOWNOACTIVATE);

    std::printf("look: showing\n");
    std::fflush(stdout);
    PumpUntil(lookMs, [] { return false; });

    const double hiding = NowMs();
    HideTip(0);
    const bool gone = PumpUntil(2000, [] {
        ZuTipDLG* tip = ShownTipWindow();
        return tip && !IsWindowVisible(tip->Hwnd());
    });
    std::printf("look: tooltip %s %.0f ms after HideTip(0)\n", gone ? "hidden" : "still shown", NowMs() - hiding);
    // The fader has nothing to do now and sleeps: its thread's wake-ups can be counted from outside.
    std::printf("look: quiet\n");
    std::fflush(stdout);
    PumpUntil(3000, [] { return false; });

    magnifier.Stop();
    indicator.Stop();
    GestureTipTicks = kGestureTipTicks;
    const bool faderEnded = tooltip.Stop();
    std::printf("look: fader %s\n", faderEnded ? "ended" : "did not end");
    if (panel) panel->Stop();
    UiThread::Close();
}

// The figure's name at 96 DPI as it always was; at another scale with the DPI after it.
std::string AtDpi(const char* name, const DisplayScale& scale) {
    if (scale.IsIdentity()) return name;
    return std::string(name) + " at " + std::to_string(scale.dpi) + " DPI";
}

void TipFigures(const std::wstring&) {
    for (const DisplayScale scale : {DisplayScale::FromDpi(96), DisplayScale::FromDpi(192)}) {
        TipPaintBench bench;
        Tip = &bench;
        bench.scale = scale;
        bench.font = CreatePixelFont(kTipFontFamily, float(TipDrawFontPixels(kTipPixels, scale)));
        const TipPlacement place = PlaceTip(640, 300, kTypicalTip, kTipPixels, GdiplusTipMeasurer(), scale);
        HWND tip = CreateBenchWindow(place.left, place.top, place.width, place.height, PaintTipOnce);
        Figures tipPaint;
        for (int i = 0; i < kRuns; ++i) {
            bench.alpha = BYTE(i % 11 == 10 ? 255 : 25 * (i % 11 + 1));  // the opacities of a fade
            tipPaint.Add(TimedPaint(tip));
        }
        DestroyWindow(tip);
        std::printf("tooltip at %d DPI: %d x %d\n", scale.dpi, place.width, place.height);
        PrintFigure(AtDpi("tooltip fade pass paint", scale).c_str(), tipPaint);
        Tip = nullptr;
    }

    for (const DisplayScale scale : {DisplayScale::FromDpi(96), DisplayScale::FromDpi(192)}) {
        IndicatorScale = scale;
        const int side = GestureIndicatorLayout::ForScale(scale).side;
        HWND indicator = CreateBenchWindow(600, 420, side, side, PaintIndicatorOnce);
        Figures indicatorPaint;
        for (int i = 0; i < kRuns; ++i) {
            Indicator[0] = i / 24 % 4;
            Indicator[1] = 1 + i % 24;  // 1 to 24, as the indicator's thread paints them
            indicatorPaint.Add(TimedPaint(indicator));
        }
        DestroyWindow(indicator);
        PrintFigure(AtDpi("gesture indicator paint", scale).c_str(), indicatorPaint);
    }
    IndicatorScale = DisplayScale();

    if (const char* look = std::getenv("ORVEL_BENCH_LOOK_MS")) {
        const long ms = std::strtol(look, nullptr, 10);
        if (ms > 0) LookAtTheOverlays(DWORD(ms));
    }
    ReleaseCachedPngs();  // the pictures go before GDI+ does
}

// These figures alone (ORVEL_BENCH_ONLY=tip): they run first and end the benchmark.
void TipOnly(const std::wstring& program) {
    RunAloneIfAsked("tip", TipFigures, program);
}

}  // namespace

ORVEL_BENCH_FIGURE(-997, TipOnly);
ORVEL_BENCH_FIGURE(40, TipFigures);
