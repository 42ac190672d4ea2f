#pragma once
// The window switcher: a full-screen top-most window that shows the windows of one monitor as thumbnails
// over the dimmed desktop. Created hidden at start-up, after the DWM entry points are looked up; each
// overview (Overview_win.cpp) shows it, lays it out and hides it again. While it is shown the user picks
// with the mouse (raw mouse records forwarded by the settings window, mouse moves of its own) or the keyboard
// (raw keyboard input of its own, also while another window has the focus).
//
// Threads: the window belongs to the UI thread, and so do the highlight, the animation steps, painting and
// the input handlers. An overview runs on a thread of its own that reaches the window only through work
// posted to the UI thread (ShowOverview, OverviewReady, HideOverview). The animation is clocked by a thread
// that ticks every 5 ms while a thumbnail grows or shrinks and otherwise sleeps; each tick is posted to the
// UI thread, which takes one step of every moving thumbnail and repaints only their cells.
#include "overlays/OverlayWindow_win.h"
#include "overlays/PanelDlg_win.h"
#include "resources/resource.h"
#include "switcher/ExposeState.h"
#include "switcher/Overview_win.h"
#include "toolkit/DibSurface_win.h"
#include "toolkit/Handle_win.h"
#include "toolkit/TickClock_win.h"
#include "toolkit/WorkerThread_win.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace Gdiplus {
class Font;
}

class EXPOSE_DLG : public OverlayWindow, public OverviewHost {
public:
    EXPOSE_DLG();
    ~EXPOSE_DLG() override;

    void Start(HWND owner) override;
    // Ends the overview and the switcher's threads (each within its bound), then the panels and the window.
    bool Stop() noexcept override;
    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }
    // True while an overview's thread runs (from the request until the foreground is handed over).
    bool OverviewRunning() { return !overviewThread_.Join(0); }

    // Starts an overview of the monitor under the pointer on a thread of its own and returns at once.
    // State().busy is set by the caller and cleared once the overview is up (or at once, when none starts: the
    // previous overview is still handing the foreground back).
    void RunOverview();
    // A raw-input record: the switcher's own keyboard input, and mouse records while it is shown.
    void OnRawInput(HRAWINPUT input);

    // ---- the overview's steps on the UI thread (posted by the overview thread; see OverviewHost)
    void ShowOverview(UniqueBitmap background, const RECT& monitor, std::vector<PanelPicture> panels) override;
    void OverviewReady() override;
    void HideOverview() override;

    // The switcher's state, which it shares with its overview thread (UI thread; what the overview thread
    // touches in it are atomics). An overview is asked for by setting busy before RunOverview.
    ExposeState& State() noexcept { return expose_; }
    // Ends the overview: picked `selected` (-1: none); the switcher and the panels are hidden at once. The
    // input handlers' way out, also before the layout is ready. The first call decides.
    void Finish(int selected);
    // The displays changed (`monitorsNow`: every monitor now, the main window reads them): an overview whose
    // monitors are no longer those it was made for ends as if cancelled; the next one is made afresh for the
    // monitor under the pointer. Calling this again for the same change does nothing more.
    void OnDisplayChange(const std::vector<SwitcherRect>& monitorsNow);

    // ---- interaction (UI thread)
    void SetHighlight(int k);
    void MoveHighlightTo(int k);
    // One 5 ms step of every thumbnail that grows or shrinks; posted by the animation clock.
    void AnimationTick();

    // The painted part of the last paint, in pixels, and the time it took (the benchmark reads them).
    long long LastPaintPixels() const noexcept { return lastPaintPixels_; }
    double LastPaintMs() const noexcept { return lastPaintMs_; }

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint() override;

private:
    Reply OnInitDialog();
    Reply OnInput(msg::RawInput input);
    Reply OnMouseMove(msg::Point point);
    Reply OnControlColour();
    Reply OnFinalDestroy();
    Reply OnDpiChanged(msg::Params params);
    static const MessageEntry<EXPOSE_DLG> kMessages[];

    void CreateTooltip();
    void MakePanels(size_t count);
    void FeedTooltip(UINT message, WPARAM wParam, LPARAM lParam);
    void SetTicking(bool on);
    void InvalidateCell(int k);
    void ReleasePictures();
    Gdiplus::Font* TitleFont() const;
    // The title fonts at the scale of the overview's monitor (made again only when that scale changes).
    void PrepareTitleFonts(int dpi);

    // The switcher's state: owned here, held by each overview thread too (it may outlive the window by its
    // bound), so it goes with the last of them.
    std::shared_ptr<ExposeState> state_ = std::make_shared<ExposeState>();
    ExposeState& expose_ = *state_;
    HWND owner_ = nullptr;          // the settings window, repainted where an overview was
    TickClock animationClock_;      // 5 ms ticks while a thumbnail grows or shrinks
    WorkerThread overviewThread_;   // one overview at a time
    WorkerThread warmupThread_;     // the first pictures, when composition is off at start-up
    std::vector<std::unique_ptr<PanelDlg>> panels_;  // as many as an overview has needed yet (MakePanels)
    HWND tooltip_ = nullptr;
    bool keyboardRegistered_ = false;  // the raw keyboard goes to the switcher (only while it is shown)
    bool shown_ = false;               // an overview is on the screen (from ShowOverview to HideOverview)
    std::unique_ptr<Gdiplus::Font> titleFonts_[2];  // 14 px (10 windows or more), 16 px, at titleFontsDpi_
    int titleFontsDpi_ = 0;

    // The overview on screen: the dimmed desktop (the static layer is drawn into it once), selected into its
    // own memory DC while shown; the panels' pictures.
    DibSurface background_;
    // Each paint composes its part here first (the monitor's size, kept for the overview), so that the frame
    // and the enlarged picture never flicker over the background.
    DibSurface frame_;
    std::vector<UniqueBitmap> panelPictures_;
    // Where the overview on screen was made for: its monitor and the panels' ones (empty while none is shown).
    SwitcherRect shownOn_;
    std::vector<SwitcherRect> dimmedOn_;
    std::array<bool, kMaxListedWindows> growing_{};  // the highlighted thumbnail still grows
    bool readyFrameTraced_ = false;
    long long lastPaintPixels_ = 0;
    double lastPaintMs_ = 0;
};
