#include "overlays/ZuTipDLG_win.h"

#include "overlays/ImageCache_win.h"
#include "overlays/OverlayDpi.h"
#include "shell/ProcessState.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"

#include <climits>
#include <utility>

struct TipFadeShared {
    SRWLOCK lock = SRWLOCK_INIT;
    TipFader fader;  // holdTicks and tipAlpha
};

namespace {

// The part that makes the tooltip on first use, while the program runs.
TooltipPart* RunningPart = nullptr;

// Centred both ways, wrapped at words: the same layout for measuring and drawing.
void SetTipFormat(Gdiplus::StringFormat& format) {
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetTrimming(Gdiplus::StringTrimmingWord);
}

int TextLength(const std::wstring& text) { return text.size() > INT_MAX ? INT_MAX : int(text.size()); }

}  // namespace

// ------------------------------------------------------------------------------------------- the window

const MessageEntry<ZuTipDLG> ZuTipDLG::kMessages[] = {
    {WM_INITDIALOG, On<&ZuTipDLG::OnInitDialog>},
    {WM_DPICHANGED, On<&ZuTipDLG::OnDpiChanged>},
};

ZuTipDLG::ZuTipDLG() : fade(std::make_shared<TipFadeShared>()) {}

ZuTipDLG::~ZuTipDLG() = default;

void ZuTipDLG::Start(HWND owner) { Create(IDD_TIP, owner); }

bool ZuTipDLG::Stop() noexcept {
    const bool ended = fadeClock.Stop();
    OverlayWindow::Stop();
    return ended;
}

Dialog::Reply ZuTipDLG::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

Dialog::Reply ZuTipDLG::OnInitDialog() {
    MakeWindowLayered(Hwnd(), WS_EX_TRANSPARENT);  // clicks go to the window below
    // The fader: 10 ms passes while a tip holds or fades, asleep otherwise. It takes the lock only to run a
    // pass on the fade state and never waits for the UI thread; the window work goes there as ApplyFade.
    std::shared_ptr<TipFadeShared> shared = fade;
    TickClock::Hooks hooks;
    hooks.periodMs = kTipPassMs;
    hooks.priority = THREAD_PRIORITY_ABOVE_NORMAL;  // fades stay smooth while the UI thread is busy drawing
    hooks.moving = [shared] {
        SrwExclusive lock(shared->lock);
        return !StopUnderWay() && shared->fader.Ticking();
    };
    hooks.pass = [shared] {
        SrwExclusive lock(shared->lock);
        return shared->fader.Pass() != TipPassWork::None;
    };
    hooks.onUi = [window = Hwnd()] {
        if (ZuTipDLG* tip = Dialog::From<ZuTipDLG>(window)) tip->ApplyFade();
    };
    fadeClock.Start("tip-fader", std::move(hooks));
    return Handled(TRUE);
}

void ZuTipDLG::Show(int x, int y, const std::wstring& text, int durationMs, int fontPixels) {
    Show(x, y, text, durationMs, fontPixels, DisplayScale::FromDpi(DpiForPoint(POINT{x, y})));
}

void ZuTipDLG::UseFontFor(int fontPixels) {
    const int pixels = TipDrawFontPixels(fontPixels, scale);
    if (drawFontPixels == pixels) return;
    drawFont = pixels > 0 ? CreatePixelFont(kTipFontFamily, float(pixels)) : nullptr;
    drawFontPixels = pixels;
}

void ZuTipDLG::Place() {
    const TipPlacement place =
        PlaceTip(int(tipPoint.x), int(tipPoint.y), tipText, tipFontPixels, GdiplusTipMeasurer(), scale);
    SetWindowPos(Hwnd(), HWND_TOPMOST, place.left, place.top, place.width, place.height, SWP_NOACTIVATE);
    ORVEL_TRACE("tip-placed dpi=%d font=%d at=%d,%d size=%dx%d", scale.dpi, drawFontPixels, place.left, place.top,
                place.width, place.height);
}

void ZuTipDLG::Show(int x, int y, const std::wstring& text, int durationMs, int fontPixels,
                    const DisplayScale& atScale) {
    CheckWindowThread(Hwnd(), "ZuTipDLG::Show");
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    // Hidden while it moves, so the old tip never shows at the new place.
    ShowWindow(hwnd, SW_HIDE);
    tipText = text;
    tipFontPixels = fontPixels;
    tipPoint = POINT{x, y};
    scale = atScale;
    UseFontFor(fontPixels);
    Place();
    {
        SrwExclusive lock(fade->lock);
        fade->fader.Show(durationMs);
    }
    fadeClock.Wake();
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

// A tip that holds or fades stays where it is centred, drawn and measured at the new scale; a hidden one
// takes the scale for nothing (the next tip looks its monitor up).
Dialog::Reply ZuTipDLG::OnDpiChanged(msg::Params params) {
    HWND hwnd = Hwnd();
    const OverlayDpiDecision d =
        DecideOverlayDpiChange(OverlayKind::Tip, scale, int(LOWORD(params.w)), hwnd && IsWindowVisible(hwnd));
    if (d.takeSuggested) TakeSuggestedRect(hwnd, params.l);
    if (d.rescale) scale = d.scale;
    if (d.relayout) {
        UseFontFor(tipFontPixels);
        Place();
    }
    if (d.redraw) InvalidateRect(hwnd, nullptr, FALSE);
    return Handled(0);
}

void ZuTipDLG::Hide(bool immediate) {
    CheckWindowThread(Hwnd(), "ZuTipDLG::Hide");
    {
        SrwExclusive lock(fade->lock);
        if (immediate) {
            fade->fader.Clear();
        } else {
            fade->fader.EndHold();
        }
    }
    if (immediate && Hwnd()) ShowWindow(Hwnd(), SW_HIDE);
}

int ZuTipDLG::HoldTicks() const {
    SrwExclusive lock(fade->lock);
    return fade->fader.HoldTicks();
}

int ZuTipDLG::TipAlpha() const {
    SrwExclusive lock(fade->lock);
    return fade->fader.TipAlpha();
}

void ZuTipDLG::ApplyFade() {
    bool visible = false;
    {
        SrwExclusive lock(fade->lock);
        visible = fade->fader.WantsVisible();
    }
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    if (!visible) {
        if (IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_HIDE);
        return;
    }
    // A tip never takes the activation from the window the user works in.
    if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void ZuTipDLG::Paint() { PaintTip(Hwnd(), tipText, drawFont.get(), BYTE(TipAlpha()), nullptr, scale.Art()); }

// ----------------------------------------------------------------------------------------- the painting

TipTextSize GdiplusTipMeasurer::Measure(const std::wstring& text, int pixels) const {
    return MeasureIn(text, pixels, kTipLayoutWidth, kTipLayoutHeight);
}

TipTextSize GdiplusTipMeasurer::MeasureIn(const std::wstring& text, int pixels, int layoutWidth,
                                          int layoutHeight) const {
    if (pixels <= 0) return {};
    std::unique_ptr<Gdiplus::Font> font = CreatePixelFont(kTipFontFamily, float(pixels));
    if (!font) return {};
    ScreenDc screen;
    if (!screen) return {};
    TipTextSize size;
    {
        Gdiplus::Graphics graphics(screen.Get());
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        Gdiplus::StringFormat format;
        SetTipFormat(format);
        const Gdiplus::RectF layout(0, 0, float(layoutWidth), float(layoutHeight));
        Gdiplus::RectF bounds;
        if (graphics.MeasureString(text.c_str(), TextLength(text), font.get(), layout, &format, &bounds) ==
            Gdiplus::Ok) {
            size = {bounds.Width, bounds.Height};
        }
    }
    return size;
}

void PaintTip(HWND hwnd, const std::wstring& text, Gdiplus::Font* font, BYTE alpha, LayeredPaintTimings* timings,
              ArtStep art) {
    LayeredPaintOptions options;
    options.size = SurfaceSize::ClientPlusOne;
    options.antiAlias = true;
    options.constantAlpha = alpha;
    PaintLayered(
        hwnd, options,
        [&](Gdiplus::Graphics& graphics, int width, int height) {
            // Without its bar the tip still carries its text.
            if (const PngImage& bar = CachedArt(IDB_TIP_BAR, art)) {
                graphics.DrawImage(bar.Get(), Gdiplus::Rect(0, 0, width, height));
            }
            if (!font || text.empty()) return;
            // Grey-scale smoothing: ClearType needs an opaque background, and this one is translucent.
            graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
            Gdiplus::StringFormat format;
            SetTipFormat(format);
            Gdiplus::SolidBrush white(Gdiplus::Color(0xFAFFFFFF));
            graphics.DrawString(text.c_str(), TextLength(text), font,
                                Gdiplus::RectF(0, 0, float(width), float(height)), &format, &white);
        },
        timings);
}

// ------------------------------------------------------------------------------------- the owner's part

TooltipPart::TooltipPart() = default;

TooltipPart::~TooltipPart() { Stop(); }

void TooltipPart::Start(HWND settings) {
    owner = settings;
    running = true;
    RunningPart = this;
}

bool TooltipPart::Stop() noexcept {
    running = false;
    if (RunningPart == this) RunningPart = nullptr;
    bool ended = true;
    if (tip) {
        ended = tip->Stop();
        tip.reset();
    }
    return ended;
}

ZuTipDLG* TooltipPart::Tip() {
    if (!running) return nullptr;
    if (!tip) {
        auto made = std::make_unique<ZuTipDLG>();
        made->Start(owner);
        if (!made->Hwnd()) {
            made->Stop();
            return nullptr;
        }
        tip = std::move(made);
    }
    return tip.get();
}

// ------------------------------------------------------------------------------------- the program's calls

void ShowTip(int x, int y, const std::wstring& text, int durationMs, int fontPixels) {
    ZuTipDLG* tip = RunningPart ? RunningPart->Tip() : nullptr;
    if (tip) tip->Show(x, y, text, durationMs, fontPixels);
}

void HideTip(int immediate) {
    if (ZuTipDLG* tip = ShownTipWindow()) tip->Hide(immediate == 1);
}

ZuTipDLG* ShownTipWindow() { return RunningPart ? RunningPart->MadeTip() : nullptr; }
