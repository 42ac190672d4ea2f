#include "tilt/TiltRules.h"

namespace {

constexpr std::uint32_t kVerticalBarStyle = 0x0001;  // SBS_VERT
// A window tree is never deeper than this; the bound only keeps a broken (cyclic) answer from looping.
constexpr int kMaxDepth = 256;

// ASCII case folding is enough: the names compared against are ASCII, and class names are not localised.
bool StartsWithFolded(const std::wstring& text, const wchar_t* lowerPrefix) {
    size_t i = 0;
    for (; lowerPrefix[i]; ++i) {
        if (i >= text.size()) return false;
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
        if (c != lowerPrefix[i]) return false;
    }
    return true;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

bool IsBelow(TiltDesktop& desktop, TiltWindow window, TiltWindow ancestor) {
    TiltWindow up = desktop.Parent(window);
    for (int depth = 0; up != 0 && depth < kMaxDepth; ++depth, up = desktop.Parent(up)) {
        if (up == ancestor) return true;
    }
    return false;
}

std::uintptr_t HandleParam(TiltWindow window) { return std::uintptr_t(window); }

}  // namespace

int TiltDirection(std::int32_t steps) { return (steps > 0) - (steps < 0); }

bool IsHorizontalScrollBar(std::uint32_t style, const std::wstring& className) {
    if (style & kVerticalBarStyle) return false;
    return className == L"ScrollBar" || className == L"NUIScrollbar" || className == L"TScrollBar";
}

TiltWindow FindHorizontalScrollBar(TiltDesktop& desktop, TiltWindow root) {
    // With no root the system would walk every top-level window of the desktop.
    if (root == 0) return 0;
    TiltWindow found = 0;
    desktop.VisitDescendants(root, [&](TiltWindow window) {
        if (!IsHorizontalScrollBar(desktop.Style(window), desktop.ClassName(window))) return true;
        found = window;
        return false;
    });
    return found;
}

std::uintptr_t PackTiltPoint(TiltPoint point) {
    return std::uintptr_t(std::uint16_t(point.x)) | std::uintptr_t(std::uint16_t(point.y)) << 16;
}

std::uintptr_t PackTiltWheel(unsigned keys, int delta) {
    return std::uintptr_t(std::uint16_t(keys)) | std::uintptr_t(std::uint16_t(delta)) << 16;
}

std::vector<TiltPost> DecideTiltScroll(TiltDesktop& desktop, int direction) {
    std::vector<TiltPost> posts;
    if (direction == 0) return posts;
    const bool right = direction > 0;
    const TiltWindow under = desktop.UnderPointer();
    const TiltWindow focus = desktop.Focus();
    // Nothing has the focus: no application asked for the input, so nothing scrolls (searching from no window
    // would pick a scroll bar anywhere on the desktop).
    if (focus == 0) return posts;

    const TiltWindow focusParent = desktop.Parent(focus);
    const TiltWindow bar = FindHorizontalScrollBar(desktop, focusParent ? focusParent : focus);
    const std::wstring focusClass = desktop.ClassName(focus);

    TiltWindow target = 0;
    TiltWindow barParam = 0;
    if (bar != 0 && IsBelow(desktop, bar, focus)) {
        barParam = bar;
        // Illustrator scrolls sideways with Ctrl and the wheel on its own bar (wheel up = left).
        if (StartsWithFolded(desktop.ClassName(desktop.Foreground()), L"illustrator")) {
            const int delta = right ? -kTiltWheelNotch : kTiltWheelNotch;
            posts.push_back({bar, kTiltMouseWheel, PackTiltWheel(kTiltControlKey, delta), 0});
            return posts;
        }
        target = focus;
    } else if (bar != 0) {
        barParam = bar;
        const TiltWindow barParent = desktop.Parent(bar);
        if (desktop.ClassName(bar) == L"NUIScrollbar") {
            // Excel's grid takes the command itself; elsewhere in Office the bar's owner does.
            target = StartsWithFolded(desktop.ClassName(barParent), L"excel") ? focus : barParent;
        } else {
            target = focusClass == L"VISIOG" ? focus : barParent;
        }
    } else {
        const std::wstring underClass = desktop.ClassName(under);
        const bool toUnder =
            focusClass == L"DirectUIHWND" || (underClass == L"TibDrawBox" && focusClass == L"TPageControl");
        target = toUnder ? under : focus;
    }
    if (target == 0) return posts;

    const std::wstring targetClass = desktop.ClassName(target);
    const TiltWindow targetParent = desktop.Parent(target);
    const std::wstring parentClass = targetParent ? desktop.ClassName(targetParent) : std::wstring();

    if (StartsWith(targetClass, L"PGL")) {
        // These views pan with the middle button held: a drag of a few pixels.
        const TiltPoint at = desktop.ScreenToClient(target, desktop.Pointer());
        const TiltPoint to{at.x + (right ? kTiltDragPixels : -kTiltDragPixels), at.y};
        posts.push_back({target, kTiltMouseMove, kTiltMiddleButton, PackTiltPoint(at)});
        posts.push_back({target, kTiltMouseMove, kTiltMiddleButton, PackTiltPoint(to)});
    } else if (targetClass == L"MozillaWindowClass") {
        posts.push_back({target, kTiltMouseHWheel, PackTiltWheel(0, right ? kTiltWheelNotch : -kTiltWheelNotch),
                         PackTiltPoint(desktop.Pointer())});
    } else if (parentClass == L"iTunes") {
        // iTunes scrolls sideways with Shift and the wheel, and only in the view under the pointer.
        if (under == 0) return posts;
        const int delta = right ? -kTiltWheelNotch : kTiltWheelNotch;
        posts.push_back({under, kTiltMouseWheel, PackTiltWheel(kTiltShiftKey, delta),
                         PackTiltPoint(desktop.ClientToScreen(under, TiltPoint{2, 2}))});
    } else {
        // A DirectUI host does not scroll for its children's bars: the bar itself takes the command.
        if (bar != 0 && targetClass == L"DirectUIHWND") target = bar;
        const unsigned line = right ? kTiltLineRight : kTiltLineLeft;
        posts.push_back({target, kTiltHScroll, line, HandleParam(barParam)});
        posts.push_back({target, kTiltHScroll, kTiltEndScroll, HandleParam(barParam)});
    }
    return posts;
}
