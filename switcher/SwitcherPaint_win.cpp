#include "switcher/SwitcherPaint_win.h"

#include "switcher/CaptureCache_win.h"
#include "switcher/Interaction.h"
#include "switcher/OverviewLayout.h"
#include "switcher/WindowList_win.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Scopes_win.h"

#include <memory>
#include <string>

namespace {

constexpr Gdiplus::ARGB kTitleBox = 0x90202020;
constexpr Gdiplus::ARGB kTitleText = 0xFFFFFFFF;
constexpr Gdiplus::ARGB kPlaceholderStart = 0xFF406090;  // top left
constexpr Gdiplus::ARGB kPlaceholderEnd = 0xFF203048;    // bottom right
constexpr Gdiplus::ARGB kFrame = 0x60FFFFFF;
constexpr Gdiplus::ARGB kIconPlate = 0xC844507D;
constexpr int kTitleChars = 200;
constexpr DWORD kPictureWaitMs = 20;
constexpr int kManyRectangles = 16;

bool Meets(const SwitcherRect& r, const RECT& area, int grow) {
    return r.left - grow < area.right && r.right + grow > area.left && r.top - grow < area.bottom &&
           r.bottom + grow > area.top;
}

// A rounded rectangle (l, t)-(r, b) whose corners are quarters of an ellipse of `ellipse` by `ellipse`.
void RoundedRect(Gdiplus::GraphicsPath& path, int l, int t, int r, int b, int ellipse) {
    const int d = ellipse;
    path.AddArc(l, t, d, d, 180, 90);
    path.AddArc(r - d, t, d, d, 270, 90);
    path.AddArc(r - d, b - d, d, d, 0, 90);
    path.AddArc(l, b - d, d, d, 90, 90);
    path.CloseFigure();
}

void FillPlaceholder(Gdiplus::Graphics& g, const SwitcherRect& r) {
    if (r.Empty()) return;
    Gdiplus::LinearGradientBrush brush(Gdiplus::Point(r.left, r.top), Gdiplus::Point(r.right, r.bottom),
                                       Gdiplus::Color(kPlaceholderStart), Gdiplus::Color(kPlaceholderEnd));
    g.FillRectangle(&brush, r.left, r.top, r.Width(), r.Height());
}

// The title in `layout`, centred and at its bottom, cut at a word, over a box just large enough for it.
void DrawTitle(Gdiplus::Graphics& g, const std::wstring& title, const Gdiplus::RectF& layout, Gdiplus::Font* font) {
    if (title.empty() || !font || layout.Width <= 0 || layout.Height <= 0) return;
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentFar);
    format.SetTrimming(Gdiplus::StringTrimmingWord);
    Gdiplus::RectF measured;
    g.MeasureString(title.c_str(), int(title.size()), font, layout, &format, &measured);
    // Where the text goes: GDI+ does not always place the measured box by the format's alignment.
    const Gdiplus::RectF box(layout.X + (layout.Width - measured.Width) / 2,
                             layout.Y + layout.Height - measured.Height, measured.Width, measured.Height);
    Gdiplus::SolidBrush boxBrush{Gdiplus::Color(kTitleBox)};
    g.FillRectangle(&boxBrush, box);
    Gdiplus::SolidBrush text{Gdiplus::Color(kTitleText)};
    g.DrawString(title.c_str(), int(title.size()), font, layout, &format, &text);
}

// The system's icon size at `dpi`: the program is per-monitor aware, so GetSystemMetrics answers for the
// system's DPI, not for the monitor the overview is on (GetSystemMetricsForDpi is Windows 10's).
SIZE IconSize(int dpi) {
    using ForDpi = int(WINAPI*)(int, UINT);
    static const ForDpi forDpi = [] {
        HMODULE user = GetModuleHandleW(L"user32.dll");
        return user ? reinterpret_cast<ForDpi>(reinterpret_cast<void*>(GetProcAddress(user, "GetSystemMetricsForDpi")))
                    : nullptr;
    }();
    if (forDpi) {
        const int cx = forDpi(SM_CXICON, UINT(dpi)), cy = forDpi(SM_CYICON, UINT(dpi));
        if (cx > 0 && cy > 0) return {cx, cy};
    }
    const int system = SystemDpi();
    return {MulDiv(GetSystemMetrics(SM_CXICON), dpi, system), MulDiv(GetSystemMetrics(SM_CYICON), dpi, system)};
}

// The plate under an icon of `icon` whose top-left corner is (l, t); the icon itself goes on with GDI.
void FillIconPlate(Gdiplus::Graphics& g, int l, int t, SIZE icon, const OverviewMetrics& m) {
    const SwitcherRect plateRect = IconPlate(l, t, int(icon.cx), int(icon.cy), m);
    Gdiplus::GraphicsPath path;
    RoundedRect(path, plateRect.left, plateRect.top, plateRect.right, plateRect.bottom, m.plateEllipse);
    g.SetClip(&path);
    Gdiplus::SolidBrush plate{Gdiplus::Color(kIconPlate)};
    g.FillRectangle(&plate, plateRect.left, plateRect.top, plateRect.Width(), plateRect.Height());
    g.ResetClip();
}

// The icon at the overview's icon size (DrawIcon would take the system DPI's).
void DrawIconAt(HDC dc, int l, int t, HICON icon, SIZE size) {
    DrawIconEx(dc, l, t, icon, int(size.cx), int(size.cy), 0, nullptr, DI_NORMAL);
}

void DrawFrame(Gdiplus::Graphics& g, const SwitcherRect& r, const OverviewMetrics& m) {
    const FrameShape f = FrameAround(r, m);
    Gdiplus::GraphicsPath clip;
    RoundedRect(clip, f.clip.left, f.clip.top, f.clip.right, f.clip.bottom, f.ellipse);
    g.SetClip(&clip);
    Gdiplus::Pen pen(Gdiplus::Color(kFrame), float(f.penThickness));
    g.DrawRectangle(&pen, f.penLeft, f.penTop, f.penWidth, f.penHeight);
    g.ResetClip();
}

Gdiplus::RectF AsRectF(const SwitcherRect& r) {
    return Gdiplus::RectF(float(r.left), float(r.top), float(r.Width()), float(r.Height()));
}

// The picture of `record` scaled into `r`.
bool DrawPicture(HDC dc, const CaptureRecord* record, const SwitcherRect& r) {
    if (!record || !record->picture || r.Empty()) return false;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    if (!source) return false;
    SelectScope select(source.Get(), reinterpret_cast<HBITMAP>(record->picture));
    if (!select) return false;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    return StretchBlt(dc, r.left, r.top, r.Width(), r.Height(), source.Get(), 0, 0,
                      record->pictureSize.width, record->pictureSize.height, SRCCOPY) != FALSE;
}

bool Captured(const ExposeState& state, int i) { return state.thumbnails[i] == 0; }

HICON IconOf(const ExposeState& state, int i) { return reinterpret_cast<HICON>(state.icons[i]); }

}  // namespace

void PaintStaticLayer(HDC dc, const ExposeState& state, Gdiplus::Font* titleFont) {
    const int count = state.windowCount;
    const OverviewMetrics metrics = OverviewMetrics::For(OverviewScale(state));
    const SIZE iconSize = IconSize(metrics.scale.dpi);
    std::unique_ptr<bool[]> pictured(new bool[size_t(count > 0 ? count : 1)]());
    {
        CaptureCacheGuard guard(kPictureWaitMs);
        for (int i = 0; i < count; ++i) {
            if (!Captured(state, i) || !guard.Held()) continue;
            pictured[i] = DrawPicture(dc, CaptureCache().Find(state.windows[i]), state.homeRects[i]);
        }
        GdiFlush();
    }
    {
        Gdiplus::Graphics g(dc);
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        for (int i = 0; i < count; ++i) {
            if (!Captured(state, i)) continue;
            const SwitcherRect& r = state.homeRects[i];
            if (!pictured[i]) FillPlaceholder(g, r);
            const std::wstring title = ShortTitle(WindowTitle(AsHwnd(state.windows[i]), kTitleChars));
            DrawTitle(g, title, AsRectF(TitleLayout(r, false, metrics)), titleFont);
            if (IconOf(state, i)) FillIconPlate(g, r.left, r.top, iconSize, metrics);
        }
    }
    // The icons over their plates, with GDI once the plates are down. The icons were asked for once, when
    // the overview was laid out, so a resting icon needs no repaint of its own.
    for (int i = 0; i < count; ++i) {
        if (Captured(state, i) && IconOf(state, i)) {
            DrawIconAt(dc, state.homeRects[i].left, state.homeRects[i].top, IconOf(state, i), iconSize);
        }
    }
}

void PaintDynamicLayer(HDC dc, const RECT& area, const ExposeState& state, Gdiplus::Font* titleFont) {
    const int count = state.windowCount;
    const OverviewMetrics metrics = OverviewMetrics::For(OverviewScale(state));
    const SIZE iconSize = IconSize(metrics.scale.dpi);
    std::unique_ptr<Gdiplus::Graphics> g;
    for (int i = 0; i < count; ++i) {
        const SwitcherRect& r = state.currentRects[i];
        const bool enlarged = IsEnlarged(state, i);
        // At rest a thumbnail is part of the background; the highlighted one gets its frame there too (in a
        // dense grid it cannot grow at all).
        const bool framed = Framed(state, i);
        if ((!enlarged && !framed) || !Meets(r, area, metrics.frameReach)) continue;
        if (!g) {
            g = std::make_unique<Gdiplus::Graphics>(dc);
            g->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
            g->SetClip(Gdiplus::Rect(area.left, area.top, area.right - area.left, area.bottom - area.top));
        }
        if (framed) DrawFrame(*g, r, metrics);
        if (!enlarged || !Captured(state, i)) continue;  // live: the desktop window manager draws it inside
        bool pictured = false;
        {
            CaptureCacheGuard guard(kPictureWaitMs);
            if (guard.Held()) {
                HDC gdi = g->GetHDC();
                pictured = DrawPicture(gdi, CaptureCache().Find(state.windows[i]), r);
                g->ReleaseHDC(gdi);
            }
        }
        if (!pictured) FillPlaceholder(*g, r);
        DrawTitle(*g, WindowTitle(AsHwnd(state.windows[i]), kTitleChars), AsRectF(TitleLayout(r, true, metrics)),
                  titleFont);
        if (HICON icon = IconOf(state, i)) {
            FillIconPlate(*g, r.left, r.top, iconSize, metrics);
            HDC gdi = g->GetHDC();
            DrawIconAt(gdi, r.left, r.top, icon, iconSize);
            g->ReleaseHDC(gdi);
        }
    }
}

std::vector<RECT> UpdateRectangles(HWND hwnd) {
    std::vector<RECT> rects;
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    if (!region) return rects;
    const int kind = GetUpdateRgn(hwnd, region.Get(), FALSE);
    if (kind == NULLREGION || kind == ERROR) return rects;
    const DWORD bytes = GetRegionData(region.Get(), 0, nullptr);
    if (bytes >= sizeof(RGNDATAHEADER)) {
        std::vector<unsigned char> data(bytes);
        auto* header = reinterpret_cast<RGNDATA*>(data.data());
        if (GetRegionData(region.Get(), bytes, header) == bytes && header->rdh.nCount <= DWORD(kManyRectangles)) {
            const RECT* first = reinterpret_cast<const RECT*>(header->Buffer);
            rects.assign(first, first + header->rdh.nCount);
            return rects;
        }
    }
    RECT box{};
    GetRgnBox(region.Get(), &box);
    rects.push_back(box);
    return rects;
}
