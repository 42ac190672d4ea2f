#include "overlays/ZuItemList_win.h"

#include "overlays/ImageCache_win.h"
#include "overlays/OverlayDpi.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

constexpr DWORD kScrollTickMs = 10;
constexpr wchar_t kNoItemText[] = L"No item";

PickerRect ToPickerRect(const RECT& r) { return {int(r.left), int(r.top), int(r.right), int(r.bottom)}; }

// The work area and the full rectangle of the monitor nearest the cursor.
void MonitorNearCursor(PickerRect& work, PickerRect& monitor) {
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info)) {
        work = ToPickerRect(info.rcWork);
        monitor = ToPickerRect(info.rcMonitor);
        return;
    }
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    monitor = ToPickerRect(area);
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) area = RECT{0, 0, monitor.right, monitor.bottom};
    work = ToPickerRect(area);
}

int ShowCursorCount(bool show) { return ShowCursor(show ? TRUE : FALSE); }

// A GDI+ region with rounded corners as CreateRoundRectRgn makes it.
std::unique_ptr<Gdiplus::Region> RoundRegion(const PickerPaintOp& op) {
    UniqueRegion rgn(CreateRoundRectRgn(op.rect.left, op.rect.top, op.rect.right, op.rect.bottom, op.ellipse,
                                        op.ellipse));
    if (!rgn) return nullptr;
    auto region = std::make_unique<Gdiplus::Region>(rgn.Get());  // a copy: the GDI region goes here
    if (region->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return region;
}

Gdiplus::Point ToGdiplus(const PickerPoint& p) { return Gdiplus::Point(p.x, p.y); }

// How many times larger than 1x the picture CachedArt gives for `id` at `step` is: the stepped one where
// the program carries it, else 1.
float LoadedArtFactor(int id, ArtStep step) {
    if (step == ArtStep::x1 || !CachedPng(ArtResourceId(id, step))) return 1.0f;
    return ArtFactor(step);
}

// The 96-DPI height of picture `id`: its 1x picture's.
int PictureHeightAt96(int id) {
    const PngImage& png = CachedPng(id);
    return png ? int(png->GetHeight()) : 0;
}

}  // namespace

const MessageEntry<ZuItemList> ZuItemList::kMessages[] = {
    {WM_MOUSEMOVE, On<&ZuItemList::OnMouseMove>},
    {WM_LBUTTONUP, On<&ZuItemList::OnLeftButtonUp>},
    {WM_RBUTTONDOWN, On<&ZuItemList::OnOtherButton>},
    {WM_RBUTTONUP, On<&ZuItemList::OnOtherButton>},
    {WM_MBUTTONDOWN, On<&ZuItemList::OnOtherButton>},
    {WM_MBUTTONUP, On<&ZuItemList::OnOtherButton>},
    {WM_MOUSEWHEEL, On<&ZuItemList::OnMouseWheel>},
    {WM_DPICHANGED, On<&ZuItemList::OnDpiChanged>},
};

ZuItemList::ZuItemList(int listMode, int iconId) : chainTop(this) {
    groupIconId = iconId;
    mode = listMode;
}

ZuItemList::ZuItemList(int listMode, int iconId, ZuItemList& top) : ZuItemList(listMode, iconId) { chainTop = &top; }

ZuItemList::~ZuItemList() { Stop(); }

void ZuItemList::Start(HWND owner) { CreateWindowOwnedBy(owner); }

bool ZuItemList::CreateWindowOwnedBy(HWND owner) { return Create(IDD_ITEMLIST, owner); }

bool ZuItemList::Stop() noexcept {
    if (stopped) return stopResult;
    stopped = true;
    Hide();  // gives back a raise of the cursor count
    bool ended = true;
    if (subList) {
        ended = subList->Stop();  // the sub-lists' windows go first
        subList.reset();
    }
    // The clock's thread holds nothing of the lists, so one that does not end in time can be left to run;
    // a stopped clock never starts again.
    if (!scrollClock.Stop()) ended = false;
    std::vector<_ZuItemListDB>().swap(allEntries);
    std::vector<_ZuItemListDB>().swap(shownEntries);
    frames.clear();
    texture.reset();
    textFormat.reset();
    nameFont.reset();
    noItemFont.reset();
    paintResourcesDpi = 0;
    OverlayWindow::Stop();
    stopResult = ended;
    return ended;
}

// ------------------------------------------------------------------------------------------ calls

int ZuItemList::SetItems(const std::vector<_ZuItemListDB>& catalogue, int group) {
    CheckWindowThread(Hwnd(), "ZuItemList::SetItems");
    std::vector<_ZuItemListDB>().swap(allEntries);
    allEntries = catalogue;
    groupId = group;
    shownEntries = PickerShownEntries(allEntries, groupId);
    // New rows: a highlight, a sub-list or a scroll position of the old ones would point into rows that
    // are no longer there.
    if (subList) subList->Hide();
    hoverIndex = -1;
    topIndex = targetTopIndex = scrollOffset = 0;
    SetTicking(false);
    if (IsShown()) InvalidateRect(Hwnd(), nullptr, FALSE);
    return 0;
}

void ZuItemList::ShowAt(int x, int y, int newMode) {
    ShowAt(x, y, newMode, DisplayScale::FromDpi(DpiForPoint(POINT{x, y})));
}

void ZuItemList::ShowAt(int x, int y, int newMode, const DisplayScale& newScale) {
    CheckWindowThread(Hwnd(), "ZuItemList::ShowAt");
    mode = newMode;
    scale = newScale;  // before anything is measured: the rows, the width and the fonts follow it
    if (subList) subList->Hide();
    hoverIndex = -1;
    topIndex = targetTopIndex = scrollOffset = 0;  // showing again always starts at rest
    SetTicking(false);
    HWND hwnd = Hwnd();
    if (!hwnd) return;

    PickerRaiseCursor(cursorShown, ShowCursorCount);
    MakeWindowLayered(hwnd, 0);
    StartScrollClock();

    PickerRect work, monitor;
    MonitorNearCursor(work, monitor);
    const int height = PickerListHeight(shownEntries, Metrics(), allEntries.empty());
    const PickerPlacement place = PlacePickerList(x, y, height, work, Metrics());
    SetWindowPos(hwnd, HWND_TOPMOST, place.x, place.y, place.width, place.height, 0);
    BringWindowToTop(hwnd);
    opacity = 255;
    // A hidden window is sent no WM_PAINT, so the list is painted right after it is shown, in this same turn
    // of the loop (a layered window is given no update region of its own when shown).
    ShowWindow(hwnd, SW_SHOWNORMAL);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
#if defined(ORVEL_TEST_HOOKS)
    std::wstring rows;
    for (const _ZuItemListDB& entry : shownEntries) rows += (rows.empty() ? L"" : L"|") + entry.name;
    ORVEL_TRACE("picker-show dpi=%d mode=%d at=%d,%d size=%dx%d rows=%s", scale.dpi, mode, place.x, place.y,
                place.width, place.height, TraceUtf8(rows).c_str());
#endif
}

void ZuItemList::Hide() {
    CheckWindowThread(Hwnd(), "ZuItemList::Hide");
    PickerLowerCursor(cursorShown, ShowCursorCount);
    if (subList) subList->Hide();
    SetTicking(false);
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    if (IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_HIDE);
    AllowOwnerForeground();
}

// Hiding the list may leave no window of the program in front; the owner (the settings window) may then
// take the foreground back.
void ZuItemList::AllowOwnerForeground() {
    HWND owner = GetWindow(Hwnd(), GW_OWNER);
    if (!owner) return;
    DWORD process = 0;
    const DWORD ownerThread = GetWindowThreadProcessId(owner, &process);
    const DWORD self = GetCurrentThreadId();
    // The owner is normally on this very thread, which has its own input already (and cannot attach to
    // itself).
    const bool attached = ownerThread != 0 && ownerThread != self && AttachThreadInput(self, ownerThread, TRUE);
    if (process) AllowSetForegroundWindow(process);
    if (attached) AttachThreadInput(self, ownerThread, FALSE);
}

bool ZuItemList::ContainsWindow(HWND hwnd) const {
    if (!hwnd) return false;
    if (hwnd == Hwnd()) return true;
    return subList && subList->ContainsWindow(hwnd);
}

ZuItemList* ZuItemList::OpenSubList() const { return subList && subList->IsShown() ? subList.get() : nullptr; }

// ------------------------------------------------------------------------------------------ pointer

Dialog::Reply ZuItemList::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Keys are left alone: the settings window's pre-translation must see Escape while a list has the focus.
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

Dialog::Reply ZuItemList::OnMouseMove(msg::Point point) {
    DetectHover(point.at);
    return Handled(0);
}

Dialog::Reply ZuItemList::OnLeftButtonUp(msg::Point point) {
    // The highlight follows the pointer's moves; rows that slid under a still pointer are caught up here,
    // so the function chosen is the one under the pointer.
    DetectHover(point.at);
    const int chosen = PickerChosenFunction(shownEntries, hoverIndex);
    if (chosen >= 0) {
        // The receiver hides the list; it stays as it is until then.
        if (HWND owner = GetWindow(Hwnd(), GW_OWNER)) {
            PostMessageW(owner, kFunctionChosenMessage, WPARAM(chosen), LPARAM(mode));
        }
        return Handled(0);
    }
    CloseSubListAndRehover(point.at);
    return Handled(0);
}

Dialog::Reply ZuItemList::OnOtherButton(msg::Point point) {
    CloseSubListAndRehover(point.at);
    return Handled(0);
}

// A click on a group row closes its sub-list and opens it again; on a separator it does nothing.
void ZuItemList::CloseSubListAndRehover(POINT at) {
    if (subList) {
        subList->Hide();
        if (hoverIndex != -1) {
            hoverIndex = -1;
            InvalidateRect(Hwnd(), nullptr, FALSE);
        }
    }
    DetectHover(at);
}

Dialog::Reply ZuItemList::OnMouseWheel(msg::Params params) {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const int delta = GET_WHEEL_DELTA_WPARAM(params.w);
    const int target = PickerWheelTarget(shownEntries, targetTopIndex, client.bottom, delta, Metrics());
    if (target != targetTopIndex) {
        targetTopIndex = target;
        InvalidateRect(Hwnd(), nullptr, FALSE);
        SetTicking(IsShown());
    }
    return Handled(0);
}

Dialog::Reply ZuItemList::OnDpiChanged(msg::Params params) {
    // The DPI comes from the message: while it is under way the system may still answer the old one.
    const OverlayDpiDecision d =
        DecideOverlayDpiChange(OverlayKind::PickerList, scale, int(LOWORD(params.w)), IsShown());
    ZuItemList& top = *chainTop;
    if (d.relayout && &top != this && top.IsShown() && top.scale != d.scale) {
        // A sub-list hears of it first (it lies above its creator): the chain is re-placed from its top list,
        // which brings this one beside its row at the new scale. The top list's own message then finds it
        // at that scale already and does nothing; a suggested rectangle here would only be moved again.
        RECT at{};
        GetWindowRect(top.Hwnd(), &at);
        top.Relayout(int(at.left), int(at.top), d.scale);
        return Handled(0);
    }
    if (d.takeSuggested) TakeSuggestedRect(Hwnd(), params.l);
    if (d.relayout) {
        RECT now{};
        GetWindowRect(Hwnd(), &now);
        Relayout(int(now.left), int(now.top), d.scale);
    } else if (d.rescale) {
        scale = d.scale;  // hidden: its next show measures at it
    }
    return Handled(0);
}

void ZuItemList::Relayout(int x, int y, const DisplayScale& newScale) {
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    scale = newScale;
    // The rows stay where the user scrolled them, at rest: a slide measured in the old pixels would end
    // between rows.
    targetTopIndex = topIndex;
    scrollOffset = 0;
    SetTicking(false);
    PickerRect work, monitor;
    MonitorNearCursor(work, monitor);
    const int height = PickerListHeight(shownEntries, Metrics(), allEntries.empty());
    const PickerPlacement place = PlacePickerList(x, y, height, work, Metrics());
    SetWindowPos(hwnd, nullptr, place.x, place.y, place.width, place.height, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    ORVEL_TRACE("picker-dpi dpi=%d at=%d,%d size=%dx%d", scale.dpi, place.x, place.y, place.width, place.height);
    if (OpenSubList() && hoverIndex >= 0) PlaceSubList(hoverIndex, scale, true);
}

DisplayScale ZuItemList::SubListScaleAt(POINT at) const {
    HMONITOR there = MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST);
    if (Hwnd() && there == MonitorFromWindow(Hwnd(), MONITOR_DEFAULTTONEAREST)) return scale;
    return DisplayScale::FromDpi(DpiForMonitor(there));
}

void ZuItemList::DetectHover(POINT at) {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const int k = PickerRowAt(shownEntries, topIndex, client.right, client.bottom, {int(at.x), int(at.y)}, Metrics());
    if (k >= 0 && k != hoverIndex) SetHover(k);
}

void ZuItemList::SetHover(int k) {
    HWND hwnd = Hwnd();
    if (!hwnd) return;
    hoverIndex = k;
    InvalidateRect(hwnd, nullptr, FALSE);
    if (GetForegroundWindow() != hwnd) SetForegroundWindow(hwnd);
    if (subList) subList->Hide();
    if (k < 0 || k >= int(shownEntries.size()) || shownEntries[std::size_t(k)].kind != kKindGroup) return;

    if (!subList) {
        // Owned like this list (by the settings window), so that it posts its choice there too.
        auto made = std::make_unique<ZuItemList>(mode, groupIconId, *chainTop);
        if (!made->CreateWindowOwnedBy(GetWindow(hwnd, GW_OWNER))) return;
        subList = std::move(made);
    } else {
        subList->mode = mode;
    }
    PlaceSubList(k, scale, false);
}

// The sub-list of group row k beside it: shown afresh with the group's members, or (relayoutOnly, after a
// DPI change) only moved and measured again at `subScale`, its own highlight and sub-list kept.
void ZuItemList::PlaceSubList(int k, const DisplayScale& subScale, bool relayoutOnly) {
    HWND hwnd = Hwnd();
    if (!hwnd || !subList || k < 0 || k >= int(shownEntries.size())) return;
    RECT bounds{};
    GetWindowRect(hwnd, &bounds);
    PickerRect work, monitor;
    MonitorNearCursor(work, monitor);
    const SubListPlacement place = ::PlaceSubList(ToPickerRect(bounds), monitor, groupId, opensLeft != 0,
                                                  shownEntries, topIndex, k, Metrics());
    subList->opensLeft = place.opensLeft ? 1 : 0;
    if (relayoutOnly) {
        subList->Relayout(place.x, place.y, subScale);
        return;
    }
    subList->SetItems(allEntries, shownEntries[std::size_t(k)].id);
    subList->ShowAt(place.x, place.y, mode, SubListScaleAt(POINT{place.x, place.y}));
}

// ------------------------------------------------------------------------------------------ scrolling

void ZuItemList::StartScrollClock() {
    ZuItemList& top = *chainTop;
    if (top.scrollClock.Started() || !top.Hwnd()) return;
    TickClock::Hooks hooks;
    hooks.periodMs = kScrollTickMs;
    // The tick finds the top-level list through its window when it runs, or nothing once it is gone.
    hooks.onUi = [window = top.Hwnd()] {
        if (ZuItemList* list = Dialog::From<ZuItemList>(window)) list->ChainScrollTick();
    };
    top.scrollClock.Start("picker-scroll", std::move(hooks));
}

bool ZuItemList::ChainSliding() const {
    for (const ZuItemList* list = this; list; list = list->subList.get()) {
        if (list->sliding) return true;
    }
    return false;
}

void ZuItemList::SetTicking(bool on) {
    sliding = on;
    chainTop->scrollClock.SetTicking(chainTop->ChainSliding());
}

void ZuItemList::ChainScrollTick() {
    for (ZuItemList* list = this; list; list = list->subList.get()) {
        if (list->sliding) list->ScrollTick();
    }
}

void ZuItemList::ScrollTick() {
    PickerScroll scroll{topIndex, targetTopIndex, scrollOffset};
    if (PickerScrollTick(scroll, shownEntries, Metrics())) {
        topIndex = scroll.topIndex;
        scrollOffset = scroll.scrollOffset;
        if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
    }
    if (scroll.AtRest()) SetTicking(false);
}

// ------------------------------------------------------------------------------------------ painting

void ZuItemList::MakePaintResources() {
    // Kept per scale: a list opens at one scale again and again, and fonts cost a lookup each time.
    if (paintResourcesDpi == scale.dpi) return;
    paintResourcesDpi = scale.dpi;
    frames.clear();  // drawn at the old scale's insets
    texture.reset();
    const PickerMetrics m = Metrics();
    nameFont = CreatePixelFont(L"Arial", float(m.nameFontPixels));
    noItemFont = CreatePixelFont(L"Tahoma", float(m.noItemFontPixels));
    if (!textFormat) {
        textFormat = std::make_unique<Gdiplus::StringFormat>();
        textFormat->SetTrimming(Gdiplus::StringTrimmingWord);
        textFormat->SetAlignment(Gdiplus::StringAlignmentNear);
        textFormat->SetLineAlignment(Gdiplus::StringAlignmentCenter);
    }
    const ArtStep step = scale.Art();
    const PngImage& tile = CachedArt(kPickerTextureId, step);
    if (tile && tile->GetWidth() > 1 && tile->GetHeight() > 1) {
        // The tile without its last column and row, repeated.
        texture = std::make_unique<Gdiplus::TextureBrush>(tile.Get(), Gdiplus::WrapModeTile, 0, 0,
                                                          INT(tile->GetWidth()) - 1, INT(tile->GetHeight()) - 1);
        if (texture->GetLastStatus() != Gdiplus::Ok) {
            texture.reset();
        } else {
            // The grain as large as the list: at 125 % the 1.5x tile is drawn a little smaller, never the 1x
            // one blown up.
            const float shrink = scale.Factor() / LoadedArtFactor(kPickerTextureId, step);
            if (shrink != 1.0f) texture->ScaleTransform(shrink, shrink);
        }
    }
}

const LayeredSurface* ZuItemList::FrameOfSize(int width, int height) {
    const std::pair<int, int> size{width, height};
    auto found = frames.find(size);
    if (found != frames.end()) return &found->second;
    if (frames.size() >= 8) frames.clear();
    LayeredSurface frame(width, height);
    if (!frame) return nullptr;
    {
        Gdiplus::Graphics graphics(frame.Dc());
        if (graphics.GetLastStatus() != Gdiplus::Ok) return nullptr;
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        DrawPlan(graphics, PickerFramePlan(width, height, Metrics()), {});
        graphics.Flush(Gdiplus::FlushIntentionSync);
    }
    return &frames.emplace(size, std::move(frame)).first->second;
}

void ZuItemList::Paint() {
    MakePaintResources();
    LayeredPaintOptions options;
    options.size = SurfaceSize::ClientPlusOne;
    options.antiAlias = true;
    options.constantAlpha = BYTE(std::clamp(opacity, 0, 255));
    bool frameCopied = false;
    options.gdiDraw = [this, &frameCopied](HDC surface, int width, int height) {
        frameCopied = CopyFrameInto(surface, width, height);
    };
    PaintLayered(
        Hwnd(), options,
        [this, &frameCopied](Gdiplus::Graphics& graphics, int width, int height) {
            PickerPaintInput input;
            input.rows = &shownEntries;
            input.catalogueEmpty = allEntries.empty();
            input.topIndex = topIndex;
            input.scrollOffset = scrollOffset;
            input.hoverIndex = hoverIndex;
            DrawContent(graphics, input, width, height, frameCopied);
        },
        &lastPaint);
}

bool ZuItemList::CopyFrameInto(HDC surface, int width, int height) {
    const LayeredSurface* frame = FrameOfSize(width, height);
    return frame && BitBlt(surface, 0, 0, width, height, frame->Dc(), 0, 0, SRCCOPY) != FALSE;
}

int ZuItemList::DrawContent(Gdiplus::Graphics& graphics, PickerPaintInput input, int width, int height,
                            bool frameCopied) {
    // The frame is drawn on a fresh surface exactly as a paint would draw it, so copying it in gives the
    // same pixels; only its clip is applied again before the content.
    std::vector<PickerPaintOp> frame = PickerFramePlan(width, height, Metrics());
    if (frameCopied) {
        const auto notClip = [](const PickerPaintOp& op) { return op.kind != PickerPaintOpKind::ClipRoundRegion; };
        frame.erase(std::remove_if(frame.begin(), frame.end(), notClip), frame.end());
    }
    DrawPlan(graphics, frame, {});
    input.groupIconId = groupIconId;
    input.width = width;
    input.height = height;
    input.metrics = Metrics();
    return DrawPlan(graphics, PickerContentPlan(input, PictureHeightAt96), *input.rows);
}

void ZuItemList::WarmUp(const std::vector<_ZuItemListDB>& catalogue) {
    if (HWND owner = Hwnd() ? GetWindow(Hwnd(), GW_OWNER) : nullptr) {
        scale = DisplayScale::FromDpi(DpiForWindow(owner));
    }
    MakePaintResources();
    // The top level drawn once off screen, as its first show would: its frame is kept for that size, and
    // GDI+ has met the fonts' glyphs and the icons by then. Nothing is presented.
    const std::vector<_ZuItemListDB> rows = PickerShownEntries(catalogue, 0);
    const int width = Metrics().listWidth + 1;  // the paint's surface: the client plus one pixel each way
    const int height = PickerListHeight(rows, Metrics(), catalogue.empty()) + 1;
    LayeredSurface surface(width, height);
    if (!surface) return;
    const bool frameCopied = CopyFrameInto(surface.Dc(), width, height);
    GdiFlush();
    Gdiplus::Graphics graphics(surface.Dc());
    if (graphics.GetLastStatus() != Gdiplus::Ok) return;
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    PickerPaintInput input;
    input.rows = &rows;
    input.catalogueEmpty = catalogue.empty();
    input.hoverIndex = 0;  // a highlighted row is drawn too
    [[maybe_unused]] const int names = DrawContent(graphics, input, width, height, frameCopied);
    graphics.Flush(Gdiplus::FlushIntentionSync);
    ORVEL_TRACE("picker-warm-up rows=%d names=%d", int(rows.size()), names);
}

int ZuItemList::DrawPlan(Gdiplus::Graphics& graphics, const std::vector<PickerPaintOp>& plan,
                         const std::vector<_ZuItemListDB>& rows) {
    using Kind = PickerPaintOpKind;
    int names = 0;
    for (const PickerPaintOp& op : plan) {
        switch (op.kind) {
        case Kind::FillRoundRegion:
        case Kind::GradientRoundRegion: {
            std::unique_ptr<Gdiplus::Region> region = RoundRegion(op);
            if (!region) break;
            if (op.kind == Kind::FillRoundRegion) {
                Gdiplus::SolidBrush brush{Gdiplus::Color(op.color)};
                graphics.FillRegion(&brush, region.get());
            } else {
                Gdiplus::LinearGradientBrush brush(ToGdiplus(op.a), ToGdiplus(op.b), Gdiplus::Color(op.color),
                                                   Gdiplus::Color(op.color2));
                graphics.FillRegion(&brush, region.get());
            }
            break;
        }
        case Kind::ClipRoundRegion:
            if (std::unique_ptr<Gdiplus::Region> region = RoundRegion(op)) graphics.SetClip(region.get());
            break;
        case Kind::FillTexture:
            if (texture) {
                graphics.FillRectangle(texture.get(), op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
            }
            break;
        case Kind::FillRect: {
            Gdiplus::SolidBrush brush{Gdiplus::Color(op.color)};
            graphics.FillRectangle(&brush, op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
            break;
        }
        case Kind::Line: {
            Gdiplus::Pen pen(Gdiplus::Color(op.color), Gdiplus::REAL(op.lineWidth));
            graphics.DrawLine(&pen, op.a.x, op.a.y, op.b.x, op.b.y);
            break;
        }
        case Kind::Image: {
            // The picture of the list's step, into the scaled square (its own pixel size at 96 DPI, whatever
            // resolution the file names).
            const PngImage& png = CachedArt(op.imageId, scale.Art());
            if (png) graphics.DrawImage(png.Get(), op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
            break;
        }
        case Kind::Triangle: {
            const Gdiplus::Point corners[3] = {ToGdiplus(op.a), ToGdiplus(op.b), ToGdiplus(op.c)};
            Gdiplus::SolidBrush brush{Gdiplus::Color(op.color)};
            graphics.FillPolygon(&brush, corners, 3);
            break;
        }
        case Kind::Text: {
            const Gdiplus::Font* font = op.font == PickerFont::NoItem ? noItemFont.get() : nameFont.get();
            if (!font || !textFormat) break;
            const std::wstring* text = nullptr;
            static const std::wstring noItem = kNoItemText;
            if (op.row < 0) {
                text = &noItem;
            } else if (op.row < int(rows.size())) {
                text = &rows[std::size_t(op.row)].name;
                ++names;
            }
            if (!text) break;
            Gdiplus::SolidBrush brush{Gdiplus::Color(op.color)};
            const Gdiplus::RectF box(Gdiplus::REAL(op.rect.left), Gdiplus::REAL(op.rect.top),
                                     Gdiplus::REAL(op.rect.Width()), Gdiplus::REAL(op.rect.Height()));
            graphics.DrawString(text->c_str(), INT(text->size()), font, box, textFormat.get(), &brush);
            break;
        }
        }
    }
    return names;
}
