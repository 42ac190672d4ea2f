#pragma once
// The tooltip: one message bubble for the whole program, a dark rounded translucent bar with white centred
// text that fades in centred on a screen point, stays for a given time and fades out; clicks pass through
// it. The settings view shows its hints with it, the board its modes and the results of its snaps. Callers
// give the font size at 96 DPI; the tip draws it, and its margins, at the scale of the monitor of its point.
//
// Threads: the window belongs to the main thread; its fader runs on a thread of its own that only ticks
// while a tip is shown or fading. The two share the fade state (hold and opacity) under a lock that each
// holds only while it reads or changes those few values: the fader never waits for the main thread while
// it holds the lock, and hands its window work (show, hide, topmost, repaint) to the UI thread.
#include "overlays/LayeredWindow_win.h"
#include "overlays/OverlayWindow_win.h"
#include "overlays/TipFader.h"
#include "overlays/TipPlacement.h"
#include "resources/resource.h"
#include "toolkit/TickClock_win.h"

#include <memory>
#include <string>

// Shows `text` centred on screen point (x, y) for about `durationMs`, drawn at `fontPixels` (at 96 DPI:
// larger on a monitor of a larger scale); a new tip replaces the current one. The first call creates the
// tooltip. Main thread.
void ShowTip(int x, int y, const std::wstring& text, int durationMs, int fontPixels);
// Ends the current tip's hold so that it fades out; with `immediate` 1 it is gone at once. Main thread.
void HideTip(int immediate);

// What the fader thread and the main thread share. Lives as long as either holds it, so a fader that
// outlived its window still finds it.
struct TipFadeShared;

class ZuTipDLG : public OverlayWindow {
public:
    ZuTipDLG();
    ~ZuTipDLG() override;

    // The window from template 151, owned by the settings window; its initialisation starts the fader.
    void Start(HWND owner) override;
    // Ends the fader and waits for it, then destroys the window. False when the fader did not end in time.
    bool Stop() noexcept override;

    // The steps of ShowTip and HideTip once the tooltip exists.
    void Show(int x, int y, const std::wstring& text, int durationMs, int fontPixels);
    // The same at `scale` instead of the scale of the monitor of (x, y).
    void Show(int x, int y, const std::wstring& text, int durationMs, int fontPixels, const DisplayScale& scale);
    void Hide(bool immediate);

    // The fade state now (holdTicks, tipAlpha), read under the lock.
    int HoldTicks() const;
    int TipAlpha() const;
    // The fader's window work, on the UI thread: shown and repainted while the tip holds or fades, hidden
    // otherwise. Whatever the fader saw, this follows the state as it is when it runs.
    void ApplyFade();

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint() override;

private:
    Reply OnInitDialog();
    Reply OnDpiChanged(msg::Params params);
    static const MessageEntry<ZuTipDLG> kMessages[];
    // The font at the size the tip draws at now, made only when that size changes.
    void UseFontFor(int fontPixels);
    // The window placed around the tip's point for its text at the tip's scale.
    void Place();

    // holdTicks and tipAlpha live in the shared fade state, under its lock.
    std::shared_ptr<TipFadeShared> fade;
    std::wstring tipText;
    int tipFontPixels = 0;   // as the caller gave it, at 96 DPI
    POINT tipPoint{};        // the point the tip is centred on
    DisplayScale scale;      // the monitor's the tip was shown on
    TickClock fadeClock;  // the fader: 10 ms passes while a tip holds or fades
    std::unique_ptr<Gdiplus::Font> drawFont;  // "Tahoma" at tipFontPixels scaled, made when the size changes
    int drawFontPixels = -1;
};

// The owner's part for the tooltip: there is none until the first ShowTip makes the window; the stop
// ends the fader and destroys it.
class TooltipPart final : public Subsystem {
public:
    TooltipPart();
    ~TooltipPart() override;

    void Start(HWND owner) override;
    bool Stop() noexcept override;

    // The tooltip, made on first use; null once the part has stopped or when the window cannot be made.
    ZuTipDLG* Tip();
    // The tooltip if it has been made, without making it.
    ZuTipDLG* MadeTip() const noexcept { return tip.get(); }

private:
    std::unique_ptr<ZuTipDLG> tip;
    HWND owner = nullptr;  // the settings window, the tooltip's owner
    bool running = false;
};

// The running tooltip part's tooltip if one has been made (the benchmark watches it). Main thread.
ZuTipDLG* ShownTipWindow();

// Measures with GDI+ on the screen: "Tahoma" (or the generic sans-serif family), regular, in pixels.
class GdiplusTipMeasurer final : public TipTextMeasurer {
public:
    TipTextSize Measure(const std::wstring& text, int pixels) const override;
    TipTextSize MeasureIn(const std::wstring& text, int pixels, int layoutWidth, int layoutHeight) const override;
};

// One paint of a tip (the tooltip's WM_PAINT; also the benchmark's): the bar (PNG 149, the picture of
// `art`'s step) stretched over the whole surface, `text` centred on it in `font` (null: no text), white,
// presented with `alpha`.
void PaintTip(HWND hwnd, const std::wstring& text, Gdiplus::Font* font, BYTE alpha,
              LayeredPaintTimings* timings = nullptr, ArtStep art = ArtStep::x1);
