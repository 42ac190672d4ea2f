#include "overlays/ZuTipDLG_win.h"

#include "mainwindow/KestanAssistantDlg_win.h"
#include "mainwindow/ResidentProgram_win.h"
#include "overlays/ImageCache_win.h"
#include "shell/ProcessState.h"
#include "toolkit/UiThread_win.h"

#include <climits>
#include <utility>

struct TipFadeShared {
    SRWLOCK lock = SRWLOCK_INIT;
    TipFader fader;             // holdTicks and tipAlpha
    bool applyPending = false;  // an ApplyFade is on its way to the UI thread
    bool quit = false;          // the tooltip is going: the fader ends
    // Wakes the sleeping fader for a new tip. Auto-reset and set (never pulsed), so a tip shown while the
    // fader is between its look at the state and its wait is not lost.
    UniqueKernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

namespace {

// The part that makes the tooltip on first use, while the program runs.
TooltipPart* RunningPart = nullptr;

class FadeLock {
public:
    explicit FadeLock(TipFadeShared& shared) noexcept : lock_(shared.lock) { AcquireSRWLockExclusive(&lock_); }
    ~FadeLock() { ReleaseSRWLockExclusive(&lock_); }
    FadeLock(const FadeLock&) = delete;
    FadeLock& operator=(const FadeLock&) = delete;

private:
    SRWLOCK& lock_;
};

// The fader: 10 ms passes while a tip holds or fades, asleep otherwise. It takes the lock only to run a
// pass on the fade state and never waits for the UI thread: the window work goes there as ApplyFade, at
// most one on its way at a time, so a busy UI thread does not pile up passes.
void TipFaderThread(const std::shared_ptr<TipFadeShared>& shared) {
    // Fades stay smooth while the UI thread is busy drawing.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    TipFadeShared& fade = *shared;
    for (;;) {
        bool ticking = false;
        {
            FadeLock lock(fade);
            if (fade.quit) return;
            ticking = fade.fader.Ticking();
        }
        if (StopFlag != 0) return;
        if (!ticking) {
            if (WaitForEventOrStop(fade.wake.Get()) == Wake::Stop) return;
            continue;
        }
        if (!PauseUnlessStopped(kTipPassMs)) return;
        bool post = false;
        {
            FadeLock lock(fade);
            if (fade.quit) return;
            if (fade.fader.Pass() != TipPassWork::None && !fade.applyPending) post = fade.applyPending = true;
        }
        if (post && !UiThread::Post([] {
                if (TheTip) TheTip->ApplyFade();
            })) {
            FadeLock lock(fade);
            fade.applyPending = false;
        }
    }
}

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
};

ZuTipDLG::ZuTipDLG() : fade(std::make_shared<TipFadeShared>()) {}

ZuTipDLG::~ZuTipDLG() = default;

void ZuTipDLG::Start() { Create(IDD_TIP, MainWindow ? MainWindow->Hwnd() : nullptr); }

bool ZuTipDLG::Stop() noexcept {
    {
        FadeLock lock(*fade);
        fade->quit = true;
    }
    SetEvent(fade->wake.Get());
    const bool ended = fadeThread.Join(kWorkerJoinMs);
    OverlayWindow::Stop();
    return ended;
}

Dialog::Reply ZuTipDLG::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

Dialog::Reply ZuTipDLG::OnInitDialog() {
    MakeWindowLayered(Hwnd(), WS_EX_TRANSPARENT);  // clicks go to the window below
    std::shared_ptr<TipFadeShared> shared = fade;
    fadeThread.Start("tip-fader", [shared] { TipFaderThread(shared); });
    return Handled(TRUE);
}

void ZuTipDLG::Show(int x, int y, const std::wstring& text, int durationMs, int fontPixels) {
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    // Hidden while it moves, so the old tip never shows at the new place.
    ShowWindow(hwnd, SW_HIDE);
    tipText = text;
    tipFontPixels = fontPixels;
    if (drawFontPixels != fontPixels) {
        drawFont = fontPixels > 0 ? CreatePixelFont(kTipFontFamily, float(fontPixels)) : nullptr;
        drawFontPixels = fontPixels;
    }
    const TipPlacement place = PlaceTip(x, y, text, fontPixels, GdiplusTipMeasurer());
    SetWindowPos(hwnd, HWND_TOPMOST, place.left, place.top, place.width, place.height, SWP_NOACTIVATE);
    {
        FadeLock lock(*fade);
        fade->fader.Show(durationMs);
    }
    SetEvent(fade->wake.Get());
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

void ZuTipDLG::Hide(bool immediate) {
    {
        FadeLock lock(*fade);
        if (immediate) {
            fade->fader.Clear();
        } else {
            fade->fader.EndHold();
        }
    }
    if (immediate && Hwnd()) ShowWindow(Hwnd(), SW_HIDE);
}

int ZuTipDLG::HoldTicks() const {
    FadeLock lock(*fade);
    return fade->fader.HoldTicks();
}

int ZuTipDLG::TipAlpha() const {
    FadeLock lock(*fade);
    return fade->fader.TipAlpha();
}

void ZuTipDLG::ApplyFade() {
    bool visible = false;
    {
        FadeLock lock(*fade);
        fade->applyPending = false;
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

void ZuTipDLG::Paint() { PaintTip(Hwnd(), tipText, drawFont.get(), BYTE(TipAlpha())); }

// ----------------------------------------------------------------------------------------- the painting

TipTextSize GdiplusTipMeasurer::Measure(const std::wstring& text, int pixels) const {
    if (pixels <= 0) return {};
    std::unique_ptr<Gdiplus::Font> font = CreatePixelFont(kTipFontFamily, float(pixels));
    if (!font) return {};
    HDC screen = GetDC(nullptr);
    if (!screen) return {};
    TipTextSize size;
    {
        Gdiplus::Graphics graphics(screen);
        graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        Gdiplus::StringFormat format;
        SetTipFormat(format);
        const Gdiplus::RectF layout(0, 0, float(kTipLayoutWidth), float(kTipLayoutHeight));
        Gdiplus::RectF bounds;
        if (graphics.MeasureString(text.c_str(), TextLength(text), font.get(), layout, &format, &bounds) ==
            Gdiplus::Ok) {
            size = {bounds.Width, bounds.Height};
        }
    }
    ReleaseDC(nullptr, screen);
    return size;
}

void PaintTip(HWND hwnd, const std::wstring& text, Gdiplus::Font* font, BYTE alpha, LayeredPaintTimings* timings) {
    LayeredPaintOptions options;
    options.size = SurfaceSize::ClientPlusOne;
    options.antiAlias = true;
    options.constantAlpha = alpha;
    PaintLayered(
        hwnd, options,
        [&](Gdiplus::Graphics& graphics, int width, int height) {
            // Without its bar the tip still carries its text.
            if (const PngImage& bar = CachedPng(IDB_TIP_BAR)) {
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

void TooltipPart::Start() {
    running = true;
    RunningPart = this;
}

bool TooltipPart::Stop() noexcept {
    running = false;
    if (RunningPart == this) RunningPart = nullptr;
    if (TheTip == tip.get()) TheTip = nullptr;
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
        made->Start();
        if (!made->Hwnd()) {
            made->Stop();
            return nullptr;
        }
        tip = std::move(made);
        TheTip = tip.get();
    }
    return tip.get();
}

// ------------------------------------------------------------------------------------- the program's calls

void ShowTip(int x, int y, const std::wstring& text, int durationMs, int fontPixels) {
    ZuTipDLG* tip = TheTip;
    if (!tip && RunningPart) tip = RunningPart->Tip();
    if (tip) tip->Show(x, y, text, durationMs, fontPixels);
}

void HideTip(int immediate) {
    if (TheTip) TheTip->Hide(immediate == 1);
}
