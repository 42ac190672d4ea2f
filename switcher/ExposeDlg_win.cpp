#include "switcher/ExposeDlg_win.h"

#include "input/RawInput_win.h"
#include "overlays/LayeredWindow_win.h"
#include "switcher/CaptureCache_win.h"
#include "switcher/Interaction.h"
#include "switcher/OverviewLayout.h"
#include "switcher/Overview_win.h"
#include "switcher/PrintHangWindow_win.h"
#include "switcher/SwitcherPaint_win.h"
#include "switcher/WindowList_win.h"
#include "toolkit/Clock_win.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Dwm_win.h"
#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"

#include <commctrl.h>
#include <windowsx.h>
#include <dwmapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

// The composing frame is the monitor's size; this keeps its byte count within the 32-bit build's reach, as
// the picture cache's bound does.
constexpr uint64_t kMaxPicturePixels = uint64_t(1) << 26;

constexpr DWORD kAnimationTickMs = 5;
constexpr UINT kMaxRecordBytes = 1000;  // larger raw-input records are not the keyboard's or the mouse's
constexpr USHORT kNoKey = 0xFF;         // a keyboard's prefix before some keys, not a key of its own
constexpr int kTooltipChars = 200;

bool Live(const ExposeState& expose, int i) { return expose.thumbnails[i] != 0; }

}  // namespace

const MessageEntry<EXPOSE_DLG> EXPOSE_DLG::kMessages[] = {
    {WM_INITDIALOG, On<&EXPOSE_DLG::OnInitDialog>},
    {WM_INPUT, On<&EXPOSE_DLG::OnInput>},
    {WM_MOUSEMOVE, On<&EXPOSE_DLG::OnMouseMove>},
    {WM_CTLCOLORDLG, On<&EXPOSE_DLG::OnControlColour>},
    {WM_NCDESTROY, On<&EXPOSE_DLG::OnFinalDestroy>},
    {WM_DPICHANGED, On<&EXPOSE_DLG::OnDpiChanged>},
};

EXPOSE_DLG::EXPOSE_DLG() = default;

EXPOSE_DLG::~EXPOSE_DLG() = default;

void EXPOSE_DLG::Start(HWND owner) {
    // The DWM entry points are looked up here, on the UI thread, before any overview thread asks for them; the
    // library stays loaded for the program's life, as an overview thread may use its functions until the end.
    DwmFunctions();
    // Owned by the settings window, as every overlay: no taskbar button, no Alt+Tab entry of its own.
    Create(IDD_EXPOSE, owner);
    owner_ = owner;
    // The clock of the animation: a tick every 5 ms while a thumbnail grows or shrinks, asleep otherwise. The
    // tick finds the switcher through its window when it runs.
    TickClock::Hooks hooks;
    hooks.periodMs = kAnimationTickMs;
    hooks.priority = THREAD_PRIORITY_ABOVE_NORMAL;
    hooks.onUi = [window = Hwnd()] {
        if (EXPOSE_DLG* expose = Dialog::From<EXPOSE_DLG>(window)) expose->AnimationTick();
    };
    animationClock_.Start("switcher-animation", std::move(hooks));
#if defined(ORVEL_TEST_HOOKS)
    StartPrintHangWindowIfAsked();
#endif
}

bool EXPOSE_DLG::Stop() noexcept {
    // The threads hold nothing of this object: one that does not end in time is left with what it uses.
    bool ended = overviewThread_.Join(kWorkerJoinMs);
    ended = animationClock_.Stop() && ended;
    ended = warmupThread_.Join(kWorkerJoinMs) && ended;
    if (keyboardRegistered_) RemoveKeyboardSink(Hwnd());
    keyboardRegistered_ = false;
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    panels_.clear();
    ReleasePictures();
    OverlayWindow::Stop();
    return ended;
}

// ------------------------------------------------------------------------------------------ start-up

Dialog::Reply EXPOSE_DLG::OnInitDialog() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        expose_.osMajorVersion = int(version.dwMajorVersion);
    }

    // Made ahead for the primary monitor; an overview on a monitor of another scale makes its own.
    PrepareTitleFonts(DpiForMonitor(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)));

    CreateTooltip();
    SetWindowTextW(Hwnd(), kSwitcherTitle);

    // Without composition the overviews show pictures, and a window can only paint one while it is not
    // minimised: every window is captured now (off the UI thread), so one minimised later still shows.
    if (!CompositionOn()) {
        const HWND self = Hwnd();
        const DWORD ui = GetCurrentThreadId();
        warmupThread_.Start("switcher-warmup", [self, ui] { CaptureAtStartUp(self, ui); });
    }
    return Handled(TRUE);
}

void EXPOSE_DLG::CreateTooltip() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr,
                               ResourceModule(), nullptr);
    if (!tooltip_) return;
    SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;  // the whole switcher window, whatever size an overview gives it
    tool.hwnd = Hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Hwnd());
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The panels dim the monitors an overview does not cover. They are made when an overview first needs them:
// all twenty made at the start cost a fifth of the time to the settings window's first frame under Wine, and
// most desktops have one or two monitors. They belong to whoever owns the switcher (the settings window), as
// every overlay does.
void EXPOSE_DLG::MakePanels(size_t count) {
    count = std::min(count, size_t(kMaxOtherMonitors));
    const HWND owner = GetWindow(Hwnd(), GW_OWNER);
    while (panels_.size() < count) panels_.push_back(PanelDlg::CreatePanel(owner));
}

Gdiplus::Font* EXPOSE_DLG::TitleFont() const { return titleFonts_[expose_.windowCount >= 10 ? 0 : 1].get(); }

void EXPOSE_DLG::PrepareTitleFonts(int dpi) {
    const OverviewMetrics m = OverviewMetrics::For(DisplayScale::FromDpi(dpi));
    if (m.scale.dpi == titleFontsDpi_ && titleFonts_[0] && titleFonts_[1]) return;
    titleFonts_[0] = CreatePixelFont(L"Tahoma", float(m.titlePixelsMany));
    titleFonts_[1] = CreatePixelFont(L"Tahoma", float(m.titlePixels));
    titleFontsDpi_ = m.scale.dpi;
    ORVEL_TRACE("switcher-fonts dpi=%d pixels=%d,%d", m.scale.dpi, m.titlePixelsMany, m.titlePixels);
}

// ------------------------------------------------------------------------------------------ messages

Dialog::Reply EXPOSE_DLG::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) FeedTooltip(message, wParam, lParam);
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

// The tooltip shows the title while the pointer is over a thumbnail of a ready overview.
void EXPOSE_DLG::FeedTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!tooltip_) return;
    if (!expose_.ready || expose_.hover == -1) {
        SendMessageW(tooltip_, TTM_ACTIVATE, FALSE, 0);
        return;
    }
    SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    MSG relayed{Hwnd(), message, wParam, lParam, DWORD(GetMessageTime()), {}};
    const DWORD at = GetMessagePos();
    relayed.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

Dialog::Reply EXPOSE_DLG::OnInput(msg::RawInput input) {
    OnRawInput(input.input);
    return PassOn();
}

// The tooltip, which the switcher owns, goes with it (also when the settings window takes both down).
Dialog::Reply EXPOSE_DLG::OnFinalDestroy() {
    tooltip_ = nullptr;
    keyboardRegistered_ = false;  // the system drops a registration whose window is gone
    return PassOn();
}

// The switcher's monitor changed its scale. An overview on the screen was laid out and drawn for the old one
// and ends as a display change ends it; the window takes the rectangle the system suggests all the same (the
// next overview places it over its monitor again).
Dialog::Reply EXPOSE_DLG::OnDpiChanged(msg::Params params) {
    const int dpi = int(LOWORD(params.w));
    const bool ends = DpiChangeEndsOverview(shown_ && !expose_.done, expose_.dpi, dpi);
    ORVEL_TRACE("switcher-dpi-changed dpi=%d was=%d ends=%d", dpi, int(expose_.dpi), ends ? 1 : 0);
    if (ends) Finish(-1);
    TakeSuggestedRect(Hwnd(), params.l);
    return Handled(0);
}

Dialog::Reply EXPOSE_DLG::OnControlColour() { return Handled(reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH))); }

// The highlight follows the pointer; over empty space it stays where it is.
Dialog::Reply EXPOSE_DLG::OnMouseMove(msg::Point point) {
    if (point.at.x == expose_.lastMouseX && point.at.y == expose_.lastMouseY) return PassOn();
    expose_.lastMouseX = point.at.x;
    expose_.lastMouseY = point.at.y;
    const int hit = HitTest(expose_, point.at.x, point.at.y);
    if (hit != -1 && hit != expose_.highlighted) SetHighlight(hit);
    return PassOn();
}

void EXPOSE_DLG::OnRawInput(HRAWINPUT input) {
    UINT size = 0;
    if (GetRawInputData(input, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0) return;
    if (size >= kMaxRecordBytes || size < sizeof(RAWINPUTHEADER)) return;
    alignas(RAWINPUT) unsigned char buffer[kMaxRecordBytes];
    UINT read = size;
    if (GetRawInputData(input, RID_INPUT, buffer, &read, sizeof(RAWINPUTHEADER)) != size) return;
    const auto* record = reinterpret_cast<const RAWINPUT*>(buffer);
    if (record->header.dwType == RIM_TYPEKEYBOARD) {
        if (size < offsetof(RAWINPUT, data) + sizeof(RAWKEYBOARD) || !shown_ || expose_.done) return;
        const RAWKEYBOARD& key = record->data.keyboard;
        if (key.Message != WM_KEYDOWN && key.Message != WM_SYSKEYDOWN) return;
        if (key.VKey == kNoKey) return;
        const bool ready = expose_.ready != 0;
        // Before the layout is ready (a window may be slow to paint itself) only Escape is taken.
        const KeyDecision d = ready ? DecideKey(key.VKey, expose_.highlighted, expose_.columns, expose_.windowCount)
                                    : DecideKeyBeforeReady(key.VKey);
        if (!ready && d.effect == KeyEffect::Nothing) return;
        ORVEL_TRACE("switcher-key vk=%u effect=%d index=%d ready=%d", unsigned(key.VKey), int(d.effect), d.index,
                    ready ? 1 : 0);
        switch (d.effect) {
        case KeyEffect::MoveTo: MoveHighlightTo(d.index); break;
        case KeyEffect::Pick: Finish(d.index); break;
        case KeyEffect::Cancel: Finish(-1); break;
        case KeyEffect::Nothing: break;
        }
        return;
    }
    if (record->header.dwType == RIM_TYPEMOUSE) {
        if (size < offsetof(RAWINPUT, data) + sizeof(RAWMOUSE)) return;
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(Hwnd(), &at);
        const int hit = HitTest(expose_, at.x, at.y);
        // A release anywhere ends the overview, also before it is ready (nothing is hit then); over a
        // thumbnail it picks it.
        if ((record->data.mouse.usButtonFlags & RI_MOUSE_LEFT_BUTTON_UP) && shown_) Finish(hit);
        expose_.hover = hit;
    }
}

// The dimmed desktop, the grid and the panels were made for the monitors as they were: on other ones they
// would cover the wrong places, or a monitor no longer there.
void EXPOSE_DLG::OnDisplayChange(const std::vector<SwitcherRect>& monitorsNow) {
    CheckWindowThread(Hwnd(), "EXPOSE_DLG::OnDisplayChange");
    if (!IsShown() || expose_.done) return;
    const bool ends = DisplayChangeEndsOverview(shownOn_, dimmedOn_, monitorsNow);
    ORVEL_TRACE("switcher-display-change monitors=%d ends=%d", int(monitorsNow.size()), ends ? 1 : 0);
    if (ends) Finish(-1);
}

// The first way out decides. The switcher and the panels go at once, from here: the overview thread may
// still be laying out (waiting, within its bounds, for windows slow to paint themselves), and it hands the
// foreground over when it sees `done`.
void EXPOSE_DLG::Finish(int pick) {
    CheckWindowThread(Hwnd(), "EXPOSE_DLG::Finish");
    if (expose_.done) return;
    if (pick >= 0) expose_.selected = pick;
    expose_.done = 1;
    ORVEL_TRACE("switcher-finish pick=%d ready=%d", pick, int(expose_.ready));
    HideOverview();
    SetEvent(OverviewDoneEvent());
}

// ------------------------------------------------------------------------------------------ an overview

void EXPOSE_DLG::RunOverview() {
    CheckWindowThread(Hwnd(), "EXPOSE_DLG::RunOverview");
    // The previous overview may still be handing the foreground back: its state is not to be touched yet.
    if (!Hwnd() || OverviewRunning()) {
        ORVEL_TRACE("switcher-refused");
        expose_.busy = 0;
        return;
    }
    const size_t monitors = DisplayMonitors().size();
    MakePanels(monitors > 0 ? monitors - 1 : 0);
    OverviewStart start;
    start.switcher = Hwnd();
    for (size_t i = 0; i < panels_.size() && i < start.panels.size(); ++i) {
        start.panels[i] = panels_[i] ? panels_[i]->Hwnd() : nullptr;
    }
    start.uiThread = GetCurrentThreadId();
    start.state = state_;
    ORVEL_TRACE("switcher-request");
    if (!overviewThread_.Start("switcher-overview", [start] { RunOverviewThread(start); })) expose_.busy = 0;
}

void EXPOSE_DLG::ShowOverview(UniqueBitmap background, const RECT& monitor, std::vector<PanelPicture> panels) {
    CheckWindowThread(Hwnd(), "EXPOSE_DLG::ShowOverview");
    ReleasePictures();
    shownOn_ = AsSwitcherRect(monitor);
    dimmedOn_.clear();
    for (size_t i = 0; i < panels.size() && i < panels_.size(); ++i) {
        dimmedOn_.push_back(AsSwitcherRect(panels[i].monitor));
    }
    // The displays may have changed while the pictures were taken: such an overview is not shown at all.
    if (DisplayChangeEndsOverview(shownOn_, dimmedOn_, MonitorRects())) {
        ORVEL_TRACE("switcher-display-change before-shown ends=1");
        shownOn_ = {};
        dimmedOn_.clear();
        Finish(-1);
        return;
    }
    PrepareTitleFonts(expose_.dpi);
    if (background) {
        background_.Adopt(std::move(background));
        frame_.Create(monitor.right - monitor.left, monitor.bottom - monitor.top, DibSurface::Rows::TopDown,
                      kMaxPicturePixels);
    }
    growing_.fill(false);
    readyFrameTraced_ = false;
    shown_ = true;
    // The keys come to the switcher only while it is shown.
    keyboardRegistered_ = RegisterKeyboardSink(Hwnd());
    ORVEL_TRACE("switcher-keys registered=%d", keyboardRegistered_ ? 1 : 0);
    expose_.lastMouseX = expose_.lastMouseY = -1;
    expose_.hover = -1;
    SetWindowPos(Hwnd(), nullptr, monitor.left, monitor.top, monitor.right - monitor.left,
                 monitor.bottom - monitor.top, SWP_NOZORDER);
    ShowWindow(Hwnd(), SW_RESTORE);
    BringWindowToTop(Hwnd());
    for (size_t i = 0; i < panels.size() && i < panels_.size(); ++i) {
        PanelDlg* panel = panels_[i].get();
        if (!panel || !panel->Hwnd()) continue;
        wchar_t title[32];
        std::swprintf(title, 32, L"panel %d", int(i));
        SetWindowTextW(panel->Hwnd(), title);
        panel->SetBitmap(panels[i].picture.Get());
        const RECT& r = panels[i].monitor;
        SetWindowPos(panel->Hwnd(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
        ShowWindow(panel->Hwnd(), SW_RESTORE);
        BringWindowToTop(panel->Hwnd());
        panelPictures_.push_back(std::move(panels[i].picture));
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
    ORVEL_TRACE("switcher-shown");
}

void EXPOSE_DLG::OverviewReady() {
    if (expose_.done || !shown_) {
        expose_.busy = 0;  // the user left before the layout was ready, or the displays changed
        return;
    }
    const int count = expose_.windowCount;
    // The program's own windows are asked for their icons here, on their own thread.
    const DWORD self = GetCurrentThreadId();
    for (int i = 0; i < count; ++i) {
        HWND window = AsHwnd(expose_.windows[i]);
        if (Live(expose_, i) || expose_.icons[i] || GetWindowThreadProcessId(window, nullptr) != self) continue;
        expose_.icons[i] = reinterpret_cast<WindowId>(WindowIcon(window));
    }
    expose_.ready = 1;
    expose_.backgroundDirty = 1;
    InvalidateRect(Hwnd(), nullptr, FALSE);
    SetHighlight(FirstHighlight(count));
    expose_.busy = 0;
    ORVEL_TRACE("switcher-ready count=%d highlighted=%d", count, int(expose_.highlighted));
}

void EXPOSE_DLG::HideOverview() {
    CheckWindowThread(Hwnd(), "EXPOSE_DLG::HideOverview");
    expose_.ready = 0;
    if (!shown_) return;  // hidden already (the user's way out comes first, the overview's own hide later)
    shown_ = false;
    if (keyboardRegistered_) RemoveKeyboardSink(Hwnd());
    keyboardRegistered_ = false;
    SetTicking(false);
    if (tooltip_) SendMessageW(tooltip_, TTM_ACTIVATE, FALSE, 0);
    ShowWindow(Hwnd(), SW_HIDE);
    for (auto& panel : panels_) {
        if (!panel || !panel->Hwnd()) continue;
        if (IsWindowVisible(panel->Hwnd())) ShowWindow(panel->Hwnd(), SW_HIDE);
        panel->SetBitmap(nullptr);
    }
    ReleasePictures();
    shownOn_ = {};
    dimmedOn_.clear();
    // The settings window repaints over the place the overlay left.
    if (owner_ && IsWindowVisible(owner_)) InvalidateRect(owner_, nullptr, FALSE);
    ORVEL_TRACE("switcher-hidden");
}

void EXPOSE_DLG::ReleasePictures() {
    background_.Release();
    frame_.Release();
    for (auto& panel : panels_) {
        if (panel) panel->SetBitmap(nullptr);
    }
    panelPictures_.clear();
}

// ------------------------------------------------------------------------------------------ the highlight

void EXPOSE_DLG::SetHighlight(int k) {
    CheckWindowThread(Hwnd(), "EXPOSE_DLG::SetHighlight");
    if (k < 0 || k >= expose_.windowCount || k == expose_.highlighted) return;
    const int previous = expose_.highlighted;
    expose_.highlighted = k;
    growing_[size_t(k)] = true;
    // The one it leaves shrinks back from here; its frame goes at once.
    if (previous != -1) InvalidateCell(previous);
    InvalidateCell(k);
    SetTicking(true);
    if (tooltip_) {
        std::wstring title = WindowTitle(AsHwnd(expose_.windows[k]), kTooltipChars);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = Hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(Hwnd());
        tool.lpszText = title.data();
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ORVEL_TRACE("switcher-highlight %d", k);
}

// Keyboard moves go through the pointer, so that pointer and keys share one highlight. The highlight moves
// at once as well: an Enter that follows before the pointer's move has arrived picks the window moved to.
void EXPOSE_DLG::MoveHighlightTo(int k) {
    if (k < 0 || k == expose_.highlighted || k >= expose_.windowCount) return;
    const SwitcherRect& home = expose_.homeRects[k];
    SetCursorPos(expose_.monitorLeft + (home.left + home.right) / 2, expose_.monitorTop + (home.top + home.bottom) / 2);
    expose_.hover = k;
    if (tooltip_) SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
    SetHighlight(k);
}

void EXPOSE_DLG::InvalidateCell(int k) {
    if (!Hwnd()) return;
    const SwitcherRect area = RepaintArea(expose_, k);
    if (area.Empty()) return;
    const RECT r{area.left, area.top, area.right, area.bottom};
    InvalidateRect(Hwnd(), &r, FALSE);
}

void EXPOSE_DLG::SetTicking(bool on) { animationClock_.SetTicking(on); }

void EXPOSE_DLG::AnimationTick() {
    if (!expose_.ready) {
        SetTicking(false);
        return;
    }
    const int count = expose_.windowCount;
    const int highlighted = expose_.highlighted;
    bool moving = false;
    for (int i = 0; i < count; ++i) {
        TickResult step;
        const bool grow = i == highlighted;
        if (grow) {
            if (!growing_[size_t(i)]) continue;
            step = GrowTick(expose_, i, Live(expose_, i));
            if (!step.moving) growing_[size_t(i)] = false;
        } else {
            if (!IsEnlarged(expose_, i)) continue;
            growing_[size_t(i)] = false;
            step = ShrinkTick(expose_, i, Live(expose_, i));
        }
        moving = moving || step.moving;
        if (!step.changed) continue;
        if (Live(expose_, i)) {
            const SwitcherRect& r = expose_.currentRects[i];
            DWM_THUMBNAIL_PROPERTIES properties{};
            properties.dwFlags = 0x0D;  // destination, opacity, visibility
            properties.rcDestination = {r.left, r.top, r.right, r.bottom};
            properties.opacity = 255;
            properties.fVisible = TRUE;
            const DwmEntryPoints& dwm = DwmFunctions();
            if (dwm.DwmUpdateThumbnailProperties) {
                dwm.DwmUpdateThumbnailProperties(reinterpret_cast<HANDLE>(expose_.thumbnails[i]), &properties);
            }
        }
        // A live thumbnail is moved by the desktop window manager; only its frame (while it grows) is ours.
        if (!Live(expose_, i) || grow) InvalidateCell(i);
    }
    if (!moving) SetTicking(false);
}

// ------------------------------------------------------------------------------------------ painting

void EXPOSE_DLG::Paint() {
    const double started = NowMs();
    std::vector<RECT> areas = UpdateRectangles(Hwnd());
    PaintScope paint(Hwnd());
    if (!paint.Dc() || !background_) return;
    const bool ready = expose_.ready != 0;
    if (ready && expose_.backgroundDirty.exchange(0)) PaintStaticLayer(background_.Dc(), expose_, TitleFont());
    if (areas.empty()) areas.push_back(paint.Invalid());
    long long pixels = 0;
    for (const RECT& area : areas) {
        const int w = int(area.right - area.left), h = int(area.bottom - area.top);
        if (w <= 0 || h <= 0) continue;
        pixels += (long long)w * h;
        if (!ready || !frame_) {
            // Nothing moves before the layout is ready: the dimmed desktop goes straight to the screen.
            BitBlt(paint.Dc(), area.left, area.top, w, h, background_.Dc(), area.left, area.top, SRCCOPY);
            continue;
        }
        BitBlt(frame_.Dc(), area.left, area.top, w, h, background_.Dc(), area.left, area.top, SRCCOPY);
        PaintDynamicLayer(frame_.Dc(), area, expose_, TitleFont());
        GdiFlush();
        BitBlt(paint.Dc(), area.left, area.top, w, h, frame_.Dc(), area.left, area.top, SRCCOPY);
    }
    lastPaintPixels_ = pixels;
    lastPaintMs_ = NowMs() - started;
    if (ready && !readyFrameTraced_) {
        readyFrameTraced_ = true;
        ORVEL_TRACE("switcher-first-frame pixels=%lld", pixels);
    }
}
