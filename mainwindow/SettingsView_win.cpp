#include "mainwindow/SettingsView_win.h"

#include "input/Dispatcher_win.h"
#include "mainwindow/MainWindowRules.h"
#include "overlays/ImageCache_win.h"
#include "overlays/ZuItemList_win.h"
#include "overlays/ZuTipDLG_win.h"
#include "resources/resource.h"
#include "shell/AppModel_win.h"
#include "shell/ProcessState.h"
#include "tilt/TiltScroll_win.h"
#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"

namespace {

using Gdiplus::ARGB;
using Gdiplus::Color;

constexpr ARGB kShadowPen = 0xFE000000;
constexpr ARGB kLightPen = 0xFEFFFF00;
constexpr ARGB kLabelBox = 0x80202020;
constexpr ARGB kSquare = 0x80303030, kSquareLit = 0x80101010;
constexpr ARGB kArrow = 0x7A101010, kArrowLit = 0xFCFFFFFF;
constexpr ARGB kText = 0xFAC8C8C8, kTextLit = 0xFAFFFFFF, kTextShadow = 0x80000000;
constexpr ARGB kDefaultFill = 0xC8101010, kDefaultLine = 0xFEFFFFFF;
constexpr ARGB kCaptionFill = 0x40101010, kCaptionLine = 0xA6A6A6A6;
constexpr ARGB kCaptionFillLit = 0x80101010, kCaptionLineLit = 0xC8FFFFFF;

// Centred both ways and trimmed at a word, for every text of the view.
void CentredFormat(Gdiplus::StringFormat& format) {
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetTrimming(Gdiplus::StringTrimmingWord);
}

Gdiplus::RectF ToGdi(const RectF& r) { return Gdiplus::RectF(r.x, r.y, r.width, r.height); }

// The usual painting of a minimised dialog: the icon centred over the icon-erase background.
void PaintMinimised(HWND hwnd, HICON icon) {
    PaintScope paint(hwnd);
    SendMessageW(hwnd, WM_ICONERASEBKGND, WPARAM(paint.Dc()), 0);
    RECT client;
    GetClientRect(hwnd, &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.Dc(), x, y, icon);
}

// `image` drawn into a new 32-bit picture of `width` x `height`: the artwork of the next step up drawn
// smaller (at 125 % the 1.5x background), or, until a step's artwork exists, the 1x one drawn larger.
std::unique_ptr<Gdiplus::Bitmap> ScaledCopy(Gdiplus::Bitmap& image, int width, int height) {
    auto copy = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
    if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
    Gdiplus::Graphics g(copy.get());
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Clamped edges: without them the outermost pixels blend with the transparent outside and the shape's
    // edge frays.
    Gdiplus::ImageAttributes clamp;
    clamp.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    if (g.DrawImage(&image, Gdiplus::Rect(0, 0, width, height), 0, 0, INT(image.GetWidth()), INT(image.GetHeight()),
                    Gdiplus::UnitPixel, &clamp) != Gdiplus::Ok) {
        return nullptr;
    }
    return copy;
}

void DrawLeader(Gdiplus::Graphics& g, const LeaderLine& line) {
    for (const auto* segments : {&line.shadow, &line.light}) {
        const ARGB colour = segments == &line.shadow ? kShadowPen : kLightPen;
        for (const LeaderSegment& s : *segments) {
            Gdiplus::Pen pen(Color{colour}, s.width);
            pen.SetStartCap(s.arrowStart ? Gdiplus::LineCapArrowAnchor : Gdiplus::LineCapRound);
            g.DrawLine(&pen, s.from.x, s.from.y, s.to.x, s.to.y);
        }
    }
}

}  // namespace

// Measures the markers' texts the way they are drawn: the label font, a 1024 x 100 layout box.
class GdiplusMeasurer final : public TextMeasurer {
public:
    explicit GdiplusMeasurer(const Gdiplus::Font* font) : font_(font), dc_(CreateCompatibleDC(nullptr)) {
        if (dc_) graphics_ = std::make_unique<Gdiplus::Graphics>(dc_.Get());
        CentredFormat(format_);
    }
    PointF Measure(const std::wstring& text) override {
        Gdiplus::RectF bounds;
        if (!font_ || !graphics_ ||
            graphics_->MeasureString(text.c_str(), INT(text.size()), font_, Gdiplus::RectF(0, 0, 1024, 100), &format_,
                                     &bounds) != Gdiplus::Ok) {
            return PointF{};
        }
        return PointF{bounds.Width, bounds.Height};
    }

private:
    const Gdiplus::Font* font_;
    UniqueMemoryDc dc_;
    std::unique_ptr<Gdiplus::Graphics> graphics_;
    Gdiplus::StringFormat format_;
};

SettingsView::SettingsView(HWND owner, HICON icon, const ProgramWindows& others, AppModel& shown)
    : window(owner),
      appIcon(icon),
      windows(others),
      model(shown) {
    CreateFonts();
}

SettingsView::~SettingsView() = default;

void SettingsView::CreateFonts() {
    labelFont = CreatePixelFont(L"Tahoma", scale.Pxf(kLabelFontPixels));
    defaultFont = CreatePixelFont(L"Tahoma", scale.Pxf(kDefaultFontPixels));
    measurer = std::make_unique<GdiplusMeasurer>(labelFont.get());
}

void SettingsView::SetScale(const DisplayScale& next) {
    if (next == scale) return;
    scale = next;
    ReleaseSurfaces();
    ReleasePictures();
    CreateFonts();
}

int SettingsView::BackgroundId(const DisplayScale& scale) { return ArtResourceId(IDB_BACKGROUND, scale.Art()); }

int SettingsView::PhotoId(const DisplayScale& scale) { return ArtResourceId(IDB_PHOTO, scale.Art()); }

bool SettingsView::LoadPictures(PngImage decoded, UniqueBitmap converted, bool* asDecoded) {
    if (asDecoded) *asDecoded = false;
    const ArtStep step = scale.Art();
    scaledBackground.reset();
    const bool given = bool(decoded);
    backgroundImage = given ? std::move(decoded) : LoadPngResource(BackgroundId(scale));
    if (!backgroundImage && step != ArtStep::x1) backgroundImage = LoadPngResource(IDB_BACKGROUND);
    if (!backgroundImage) return false;
    const PixelSize size = SettingsWindowSize(scale);
    if (int(backgroundImage->GetWidth()) != size.width || int(backgroundImage->GetHeight()) != size.height) {
        scaledBackground = ScaledCopy(*backgroundImage, size.width, size.height);
    }
    const bool unchanged = given && !scaledBackground;
    backgroundBitmap = unchanged && converted ? std::move(converted) : ToGdiBitmap(*Background());
    if (asDecoded) *asDecoded = unchanged;
    picturesLoaded = true;
    everLoaded = true;
    return true;
}

void SettingsView::ReleasePictures() {
    picturesLoaded = false;
    backgroundBitmap.Reset();
    scaledBackground.reset();
    backgroundImage.Reset();
    ReleaseCachedArt(IDB_PHOTO);
}

SettingsLayout SettingsView::Layout() const {
    return ComputeSettingsLayout(model.catalogue, model.slots, *measurer, scale);
}

// ------------------------------------------------------------------------------------------ painting

void SettingsView::DrawStaticLayers(HDC surface, int width, int height, const SettingsLayout& layout) {
    if (backgroundBitmap) {
        UniqueMemoryDc source(CreateCompatibleDC(surface));
        SelectScope selected(source.Get(), backgroundBitmap.Get());
        if (selected) BitBlt(surface, 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
        GdiFlush();  // GDI+ writes the same pixels next
    }
    Gdiplus::Graphics g(surface);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    if (const PngImage& photo = CachedArt(IDB_PHOTO, scale.Art())) {
        const PixelRect& p = layout.photoRect;
        const INT w = p.right - p.left, h = p.bottom - p.top;
        // Drawn at its own size where the artwork fits the place exactly; otherwise resampled smoothly (the
        // 1.5x photograph at 125 %).
        if (INT(photo->GetWidth()) != w || INT(photo->GetHeight()) != h) {
            g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        }
        g.DrawImage(photo.Get(), p.left, p.top, w, h);
        g.SetInterpolationMode(Gdiplus::InterpolationModeDefault);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeDefault);
    }
    const PixelRect& d = layout.defaultButtonRect;
    Gdiplus::SolidBrush fill(Color{kDefaultFill});
    g.FillRectangle(&fill, d.left, d.top, d.right - d.left, d.bottom - d.top);
    Gdiplus::Pen outline(Color{kDefaultLine}, layout.hairline);
    g.DrawRectangle(&outline, d.left, d.top, d.right - d.left, d.bottom - d.top);
    Gdiplus::StringFormat format;
    CentredFormat(format);
    Gdiplus::SolidBrush white(Color{kDefaultLine});
    g.DrawString(model.texts.buttonLabel.c_str(), INT(model.texts.buttonLabel.size()), defaultFont.get(),
                 Gdiplus::RectF(float(d.left), float(d.top), float(d.right - d.left), float(d.bottom - d.top)), &format,
                 &white);
    for (const LeaderLine& line : layout.leaders) DrawLeader(g, line);
    g.Flush(Gdiplus::FlushIntentionSync);
}

void SettingsView::DrawDynamicLayers(Gdiplus::Graphics& g, const SettingsLayout& layout) {
    for (int b = 0; b < 2; ++b) {
        const PixelRect& r = layout.captionButtonRects[std::size_t(b)];
        const bool lit = state.HoverCaptionButton == b;
        Gdiplus::SolidBrush fill(Color{lit ? kCaptionFillLit : kCaptionFill});
        Gdiplus::Pen line(Color{lit ? kCaptionLineLit : kCaptionLine}, layout.hairline);
        g.FillRectangle(&fill, r.left, r.top, r.right - r.left, r.bottom - r.top);
        g.DrawRectangle(&line, r.left, r.top, r.right - r.left, r.bottom - r.top);
        for (const CaptionStroke& stroke : layout.captionStrokes) {
            if (stroke.button == b) g.DrawLine(&line, stroke.from.x, stroke.from.y, stroke.to.x, stroke.to.y);
        }
    }

    Gdiplus::StringFormat format;
    CentredFormat(format);
    for (const MarkerLayout& m : layout.markers) {
        const bool lit = state.HoverSlot == m.slot || state.EditSlot == m.slot;
        Gdiplus::SolidBrush box(Color{kLabelBox});
        g.FillRectangle(&box, ToGdi(m.box));
        Gdiplus::SolidBrush square(Color{lit ? kSquareLit : kSquare});
        g.FillRectangle(&square, ToGdi(m.square));
        if (m.arrowPenWidth > 0) {
            Gdiplus::Pen arrow(Color{lit ? kArrowLit : kArrow}, m.arrowPenWidth);
            arrow.SetStartCap(Gdiplus::LineCapArrowAnchor);
            g.DrawLine(&arrow, m.arrowTip.x, m.arrowTip.y, m.arrowEnd.x, m.arrowEnd.y);
        }
        Gdiplus::SolidBrush shadow(Color{kTextShadow});
        Gdiplus::RectF shadowRect = ToGdi(m.textRect);
        shadowRect.X += layout.hairline;
        shadowRect.Y += layout.hairline;
        g.DrawString(m.text.c_str(), INT(m.text.size()), labelFont.get(), shadowRect, &format, &shadow);
        Gdiplus::SolidBrush text(Color{lit ? kTextLit : kText});
        g.DrawString(m.text.c_str(), INT(m.text.size()), labelFont.get(), ToGdi(m.textRect), &format, &text);
    }
}

namespace {

// What the dynamic layers cover: both caption boxes and each marker's box, with a margin for their edges.
std::vector<RECT> DynamicRects(const SettingsLayout& layout) {
    const int kMargin = layout.scale.Px(2);
    const int one = layout.scale.Px(1);
    std::vector<RECT> rects;
    const PixelRect& first = layout.captionButtonRects[0];
    const PixelRect& last = layout.captionButtonRects[1];
    rects.push_back(RECT{first.left - kMargin, first.top - kMargin, last.right + kMargin, last.bottom + kMargin});
    for (const MarkerLayout& m : layout.markers) {
        rects.push_back(RECT{LONG(m.box.x) - kMargin, LONG(m.box.y) - kMargin,
                             LONG(m.box.x + m.box.width) + one + kMargin,
                             LONG(m.box.y + m.box.height) + one + kMargin});
    }
    return rects;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart) : 0;
}

}  // namespace

// The window's size at its scale, which the background is made to; 0 before it was ever loaded.
int SettingsView::Width() const { return everLoaded ? SettingsWindowSize(scale).width : 0; }
int SettingsView::Height() const { return everLoaded ? SettingsWindowSize(scale).height : 0; }

SettingsView::Drawn SettingsView::DrawnFor(const SettingsLayout& layout) const {
    return Drawn{{layout.markers[0].text, layout.markers[1].text},
                 state.HoverSlot,
                 state.EditSlot,
                 state.HoverCaptionButton};
}

void SettingsView::RenderWhole(const SettingsLayout& layout) {
    PrepareStaticLayer();  // when there is none yet
    if (!frame) frame = LayeredSurface(Width(), Height());
    if (!frame) return;
    if (staticLayer) BitBlt(frame.Dc(), 0, 0, Width(), Height(), staticLayer.Dc(), 0, 0, SRCCOPY);
    DrawDynamicInto(layout);
    lastDynamic = DynamicRects(layout);
}

RECT SettingsView::RenderChanged(const SettingsLayout& layout) {
    // Only what the last frame's dynamic layers covered, and what this frame's will cover, changes.
    const std::vector<RECT> dynamic = DynamicRects(layout);
    std::vector<RECT> changed = lastDynamic;
    changed.insert(changed.end(), dynamic.begin(), dynamic.end());
    RECT dirty{Width(), Height(), 0, 0};
    for (const RECT& r : changed) {
        BitBlt(frame.Dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, staticLayer.Dc(), r.left, r.top,
               SRCCOPY);
        UnionRect(&dirty, &dirty, &r);
    }
    DrawDynamicInto(layout);
    lastDynamic = dynamic;
    return dirty;
}

void SettingsView::DrawDynamicInto(const SettingsLayout& layout) {
    GdiFlush();  // GDI+ writes the same pixels next
    Gdiplus::Graphics g(frame.Dc());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    DrawDynamicLayers(g, layout);
    g.Flush(Gdiplus::FlushIntentionSync);
}

bool SettingsView::CopyShown(HDC target, int width, int height) const {
    if (!presentedOnce || !frame || width <= 0 || height <= 0) return false;
    if (width == frame.Width() && height == frame.Height()) {
        return BitBlt(target, 0, 0, width, height, frame.Dc(), 0, 0, SRCCOPY) != FALSE;
    }
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    return StretchBlt(target, 0, 0, width, height, frame.Dc(), 0, 0, frame.Width(), frame.Height(), SRCCOPY) != FALSE;
}

bool SettingsView::PrepareStaticLayer() {
    if (staticLayer || Width() <= 0 || Height() <= 0) return false;
    if (!picturesLoaded && !LoadPictures()) return false;
    staticLayer = LayeredSurface(Width(), Height());
    if (staticLayer) DrawStaticLayers(staticLayer.Dc(), Width(), Height(), Layout());
    return true;
}

bool SettingsView::PresentPrepared() {
    if (!frame || !prepared || !(*prepared == DrawnFor(Layout()))) return false;
    if (!PresentLayered(window, frame.Dc())) return false;
    presentedAhead = prepared;
    prepared.reset();
    presentedOnce = true;
    return true;
}

bool SettingsView::PrepareFrame() {
    if (frame || Width() <= 0 || Height() <= 0) return false;
    const SettingsLayout layout = Layout();
    RenderWhole(layout);
    if (frame) prepared = DrawnFor(layout);
    return bool(frame);
}

void SettingsView::Paint(LayeredPaintTimings* timings) {
    if (timings) *timings = LayeredPaintTimings{};
    if (IsIconic(window)) {
        PaintMinimised(window, appIcon);
        return;
    }
    PaintScope paint(window);  // the window is validated whatever happens below
    if (Width() <= 0 || Height() <= 0) return;

    LARGE_INTEGER start, rendered, presented;
    QueryPerformanceCounter(&start);
    const SettingsLayout layout = Layout();
#if defined(ORVEL_TEST_HOOKS)
    if (layout.slotRects != hits.slotRects || layout.scale != hits.scale) {
        const PixelRect& a = layout.slotRects[3];
        const PixelRect& b = layout.slotRects[4];
        ORVEL_TRACE("view-markers bt3=%d,%d,%d,%d %s | bt4=%d,%d,%d,%d %s", a.left, a.top, a.right, a.bottom,
                    TraceUtf8(layout.markers[0].text).c_str(), b.left, b.top, b.right, b.bottom,
                    TraceUtf8(layout.markers[1].text).c_str());
    }
#endif
    hits.slotRects = layout.slotRects;
    if (firstPaint || hits.scale != layout.scale) {
#if defined(ORVEL_TEST_HOOKS)
        const PixelRect& d = layout.defaultButtonRect;
        const PixelRect& mn = layout.captionButtonRects[0];
        const PixelRect& cl = layout.captionButtonRects[1];
        ORVEL_TRACE("view-geometry dpi=%d size=%dx%d default=%d,%d,%d,%d minimize=%d,%d,%d,%d close=%d,%d,%d,%d",
                    layout.scale.dpi, Width(), Height(), d.left, d.top, d.right, d.bottom, mn.left, mn.top, mn.right,
                    mn.bottom, cl.left, cl.top, cl.right, cl.bottom);
#endif
        hits.defaultButton = layout.defaultButtonRect;
        hits.captionButtons = layout.captionButtonRects;
        hits.scale = layout.scale;
        firstPaint = false;
    }

    // A frame presented before the window showed is what the window shows, unless something changed since.
    if (presentedAhead) {
        const bool unchanged = frame && *presentedAhead == DrawnFor(layout);
        presentedAhead.reset();
        if (unchanged) return;
    }
    // The first paint finds its frame made ahead (PrepareFrame) and only presents it, unless what it shows
    // changed since.
    bool whole = !presentedOnce;
    RECT dirty{};
    if (prepared && *prepared == DrawnFor(layout) && frame) {
        whole = true;
    } else if (!staticLayer || !frame) {
        RenderWhole(layout);
        if (!frame) return;
        whole = true;
    } else {
        dirty = RenderChanged(layout);
    }
    prepared.reset();
    QueryPerformanceCounter(&rendered);
    const bool shown = whole ? PresentLayered(window, frame.Dc()) : PresentLayeredDirty(window, frame.Dc(), dirty);
    QueryPerformanceCounter(&presented);
    presentedOnce = presentedOnce || shown;
    if (timings) {
        timings->renderMs = Milliseconds(start, rendered);
        timings->presentMs = Milliseconds(rendered, presented);
        timings->presented = shown;
    }
}

// ------------------------------------------------------------------------------------------ interaction

bool SettingsView::SetCursorOver() {
    if (!ShowsHandCursor(state)) return false;
    // A shared cursor of the program's resources: never destroyed.
    static const HCURSOR hand = LoadCursorW(ResourceModule(), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    SetCursor(hand);
    return true;
}

bool SettingsView::PreTranslate(const MSG& msg) {
    ViewMessage m;
    switch (msg.message) {
    case WM_MOUSEMOVE: m.kind = ViewMessageKind::MouseMove; break;
    case WM_LBUTTONDOWN: m.kind = ViewMessageKind::LeftDown; break;
    case WM_RBUTTONDOWN: m.kind = ViewMessageKind::RightDown; break;
    case WM_MBUTTONDOWN: m.kind = ViewMessageKind::MiddleDown; break;
    case WM_LBUTTONUP: m.kind = ViewMessageKind::LeftUp; break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: m.kind = ViewMessageKind::KeyDown; break;
    case kFunctionChosenMessage: m.kind = ViewMessageKind::FunctionChosen; break;
    case WM_PRINT:
    case WM_PRINTCLIENT: m.kind = ViewMessageKind::Print; break;
    default: return false;
    }
    const msg::Point at = msg::Decode<msg::Point>(msg.wParam, msg.lParam);
    m.x = at.at.x;
    m.y = at.at.y;
    m.key = int(msg.wParam);
    m.function = int(msg.wParam);
    m.pickerMode = int(msg.lParam);
    const ZuItemList* picker = Dialog::From<ZuItemList>(windows.picker);
    m.pickerExists = picker != nullptr;
    m.pickerVisible = picker && picker->IsShown();
    m.pickerShownMode = m.pickerVisible ? picker->Mode() : -1;
    if (msg.hwnd == window) {
        m.target = MessageTarget::SettingsWindow;
    } else if (picker && msg.hwnd && msg.hwnd == picker->Hwnd()) {
        m.target = MessageTarget::Picker;
    } else if (picker && msg.hwnd && picker->ContainsWindow(msg.hwnd)) {
        m.target = MessageTarget::PickerChain;
    } else {
        m.target = MessageTarget::Elsewhere;
    }
    FilterResult result = FilterSettingsMessage(state, hits, m, model.catalogue.Size());
    for (const ViewEffect& effect : result.effects) Apply(effect);
    return result.consumed;
}

void SettingsView::Apply(const ViewEffect& e) {
    switch (e.kind) {
    case ViewEffectKind::Invalidate:
        InvalidateRect(window, nullptr, FALSE);
        break;
    case ViewEffectKind::ShowTip: {
        POINT at{e.x, e.y};
        ClientToScreen(window, &at);
        ShowTip(at.x, at.y, model.texts.tips[std::size_t(e.tip)].text, e.durationMs, kTipFontPixels);
        ORVEL_TRACE("view-tip %ld,%ld %d ms %s", at.x, at.y, e.durationMs,
                    TraceUtf8(model.texts.tips[std::size_t(e.tip)].text).c_str());
        break;
    }
    case ViewEffectKind::HideTip:
        HideTip(e.immediate);
        break;
    case ViewEffectKind::HidePicker:
        if (ZuItemList* picker = Dialog::From<ZuItemList>(windows.picker)) picker->Hide();
        break;
    case ViewEffectKind::OpenPicker: {
        ZuItemList* picker = Dialog::From<ZuItemList>(windows.picker);
        if (!picker) break;
        POINT at{e.x, e.y};
        ClientToScreen(window, &at);
        picker->SetItems(model.catalogue.entries, 0);
        picker->ShowAt(at.x + 1, at.y + 1, 0);
        // The settings window watches the picker (timer 3) until none is shown any more.
        SetTimer(window, kPickerWatchTimer, kPickerWatchTimerMs, nullptr);
        ORVEL_TRACE("picker-open slot=%d at=%ld,%ld", e.slot, at.x + 1, at.y + 1);
        break;
    }
    case ViewEffectKind::HideWindow:
        ShowWindow(window, SW_HIDE);
        SetTimer(window, kForegroundTimer, UINT(e.durationMs), nullptr);
        break;
    case ViewEffectKind::Minimize:
        ShowWindow(window, SW_MINIMIZE);
        break;
    case ViewEffectKind::Drag: {
        POINT at{e.x, e.y};
        ClientToScreen(window, &at);
        // The system moves the window as if its caption had been pressed.
        PostMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
        break;
    }
    case ViewEffectKind::ResetDefaults:
        ResetSlotsToDefaults(model.catalogue, model.slots, DeviceMode);
        SaveAllSettings(model);
        InvalidateRect(window, nullptr, TRUE);
        PulseTiltNoticeEvent();
        break;
    case ViewEffectKind::AssignAndSave:
        model.slots.ButtonFunctions[std::size_t(e.slot)] = e.function;
        SaveAllSettings(model);
        break;
    case ViewEffectKind::Save:
        SaveAllSettings(model);
        break;
    case ViewEffectKind::RunFunction:
        RunGroupChoice(e.function, model, windows);
        break;
    }
}
