#include "tilt/TiltRules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kChild = 0x50000000;    // WS_CHILD | WS_VISIBLE
constexpr std::uint32_t kVertical = 0x00000001;  // SBS_VERT

// A window tree in memory. Windows are listed in creation order, which is also their sibling order; every
// window's client area starts at its `origin` on the screen.
class FakeDesktop : public TiltDesktop {
public:
    struct Window {
        TiltWindow parent;
        std::wstring cls;
        std::uint32_t style;
        TiltPoint origin;
    };

    TiltWindow focus = 0;
    TiltWindow foreground = 0;
    TiltWindow under = 0;
    TiltPoint pointer{640, 400};
    std::vector<TiltWindow> searchedRoots;
    int questions = 0;

    TiltWindow Add(TiltWindow parent, const std::wstring& cls, std::uint32_t style = kChild, TiltPoint origin = {}) {
        const TiltWindow id = 0x1000 + 0x10 * TiltWindow(order_.size());
        windows_[id] = {parent, cls, style, origin};
        order_.push_back(id);
        return id;
    }

    TiltWindow Focus() override { return ++questions, focus; }
    TiltWindow Foreground() override { return ++questions, foreground; }
    TiltWindow UnderPointer() override { return ++questions, under; }
    TiltPoint Pointer() override { return ++questions, pointer; }
    TiltWindow Parent(TiltWindow w) override { return ++questions, w ? At(w).parent : 0; }
    std::wstring ClassName(TiltWindow w) override { return ++questions, w ? At(w).cls : std::wstring(); }
    std::uint32_t Style(TiltWindow w) override { return ++questions, At(w).style; }
    void VisitDescendants(TiltWindow root, const std::function<bool(TiltWindow)>& visit) override {
        ++questions;
        if (root == 0) throw std::logic_error("a search from no window walks the whole desktop");
        searchedRoots.push_back(root);
        Visit(root, visit);
    }
    TiltPoint ScreenToClient(TiltWindow w, TiltPoint p) override {
        ++questions;
        return {p.x - At(w).origin.x, p.y - At(w).origin.y};
    }
    TiltPoint ClientToScreen(TiltWindow w, TiltPoint p) override {
        ++questions;
        return {p.x + At(w).origin.x, p.y + At(w).origin.y};
    }

private:
    const Window& At(TiltWindow w) const {
        auto it = windows_.find(w);
        if (it == windows_.end()) throw std::logic_error("a question about a window that does not exist");
        return it->second;
    }
    bool Visit(TiltWindow parent, const std::function<bool(TiltWindow)>& visit) {
        for (TiltWindow w : order_) {
            if (windows_[w].parent != parent) continue;
            if (!visit(w) || !Visit(w, visit)) return false;
        }
        return true;
    }

    std::map<TiltWindow, Window> windows_;
    std::vector<TiltWindow> order_;
};

std::uintptr_t Wheel(unsigned keys, int delta) { return keys | std::uintptr_t(std::uint16_t(delta)) << 16; }
std::uintptr_t At(int x, int y) { return std::uint16_t(x) | std::uintptr_t(std::uint16_t(y)) << 16; }

std::vector<TiltPost> Scroll(TiltWindow to, unsigned line, TiltWindow bar) {
    return {{to, kTiltHScroll, line, bar}, {to, kTiltHScroll, kTiltEndScroll, bar}};
}

std::string Describe(const std::vector<TiltPost>& posts) {
    std::string out;
    for (const TiltPost& p : posts) {
        char line[120];
        std::snprintf(line, sizeof line, "{%#llx, %#x, %#llx, %#llx} ", (unsigned long long)p.window, p.message,
                      (unsigned long long)p.wParam, (unsigned long long)p.lParam);
        out += line;
    }
    return out.empty() ? "nothing" : out;
}

// One scene of a desktop and what a tilt to the right and one to the left must post in it.
struct Expected {
    std::vector<TiltPost> right, left;
};
struct Scene {
    const char* what;
    Expected (*build)(FakeDesktop&);
};

const Scene kScenes[] = {
    {"an edit beside a horizontal bar: the command goes to the bar's parent, with the bar",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"Notepad", 0);
         d.focus = d.Add(top, L"Edit");
         TiltWindow bar = d.Add(top, L"ScrollBar");
         return {Scroll(top, kTiltLineRight, bar), Scroll(top, kTiltLineLeft, bar)};
     }},
    {"a bar below the focus: the command goes to the focus, with the bar",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"Frame", 0);
         d.focus = d.Add(top, L"Canvas");
         TiltWindow inner = d.Add(d.focus, L"Pane");
         TiltWindow bar = d.Add(inner, L"ScrollBar");
         return {Scroll(d.focus, kTiltLineRight, bar), Scroll(d.focus, kTiltLineLeft, bar)};
     }},
    {"a top-level focus holding its bar: searched from the focus itself",
     [](FakeDesktop& d) -> Expected {
         d.focus = d.Add(0, L"Viewer", 0);
         TiltWindow bar = d.Add(d.focus, L"TScrollBar");
         return {Scroll(d.focus, kTiltLineRight, bar), Scroll(d.focus, kTiltLineLeft, bar)};
     }},
    {"only a vertical bar: no bar is chosen, the focus gets lParam 0",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"Frame", 0);
         d.focus = d.Add(top, L"Edit");
         d.Add(top, L"ScrollBar", kChild | kVertical);
         return {Scroll(d.focus, kTiltLineRight, 0), Scroll(d.focus, kTiltLineLeft, 0)};
     }},
    {"vertical bars of every kind are passed over, and names are compared exactly",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"Frame", 0);
         d.focus = d.Add(top, L"Edit");
         d.Add(top, L"TScrollBar", kChild | kVertical);
         d.Add(top, L"NUIScrollbar", kChild | kVertical);
         d.Add(top, L"SCROLLBAR");
         d.Add(top, L"Scrollbar");
         d.Add(top, L"ScrollBar ");
         d.Add(top, L"NUIScrollBar");
         TiltWindow bar = d.Add(top, L"ScrollBar", kChild | 0x0010);  // other style bits do not matter
         return {Scroll(top, kTiltLineRight, bar), Scroll(top, kTiltLineLeft, bar)};
     }},
    {"depth first: a bar inside an earlier sibling wins over a later sibling bar",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"Frame", 0);
         TiltWindow panel = d.Add(top, L"Panel");
         d.focus = d.Add(top, L"Edit");
         TiltWindow deep = d.Add(panel, L"ScrollBar");
         d.Add(top, L"ScrollBar");
         return {Scroll(panel, kTiltLineRight, deep), Scroll(panel, kTiltLineLeft, deep)};
     }},
    {"MozillaWindowClass: one horizontal wheel notch at the pointer",
     [](FakeDesktop& d) -> Expected {
         d.focus = d.Add(0, L"MozillaWindowClass", 0);
         d.pointer = {1100, 150};
         return {{{d.focus, kTiltMouseHWheel, Wheel(0, 120), At(1100, 150)}},
                 {{d.focus, kTiltMouseHWheel, Wheel(0, -120), At(1100, 150)}}};
     }},
    {"MozillaWindowClass inside an iTunes window: the first rule that matches wins",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"iTunes", 0);
         d.focus = d.Add(top, L"MozillaWindowClass");
         d.under = top;
         d.pointer = {10, 20};
         return {{{d.focus, kTiltMouseHWheel, Wheel(0, 120), At(10, 20)}},
                 {{d.focus, kTiltMouseHWheel, Wheel(0, -120), At(10, 20)}}};
     }},
    {"an Illustrator foreground with a bar below the focus: Ctrl and the wheel on the bar, up for left",
     [](FakeDesktop& d) -> Expected {
         d.foreground = d.Add(0, L"illustrator.ai.window", 0);
         d.focus = d.Add(d.foreground, L"DocView");
         TiltWindow bar = d.Add(d.focus, L"ScrollBar");
         return {{{bar, kTiltMouseWheel, Wheel(kTiltControlKey, -120), 0}},
                 {{bar, kTiltMouseWheel, Wheel(kTiltControlKey, 120), 0}}};
     }},
    {"the Illustrator test ignores case",
     [](FakeDesktop& d) -> Expected {
         d.foreground = d.Add(0, L"ILLUSTRATOR", 0);
         d.focus = d.Add(d.foreground, L"DocView");
         TiltWindow bar = d.Add(d.focus, L"ScrollBar");
         return {{{bar, kTiltMouseWheel, Wheel(kTiltControlKey, -120), 0}},
                 {{bar, kTiltMouseWheel, Wheel(kTiltControlKey, 120), 0}}};
     }},
    {"an Illustrator foreground whose bar is not below the focus: the ordinary command",
     [](FakeDesktop& d) -> Expected {
         d.foreground = d.Add(0, L"IllustratorFrame", 0);
         d.focus = d.Add(d.foreground, L"DocView");
         TiltWindow bar = d.Add(d.foreground, L"ScrollBar");
         return {Scroll(d.foreground, kTiltLineRight, bar), Scroll(d.foreground, kTiltLineLeft, bar)};
     }},
    {"a foreground that only contains the word illustrator is no Illustrator",
     [](FakeDesktop& d) -> Expected {
         d.foreground = d.Add(0, L"Xillustrator", 0);
         d.focus = d.Add(d.foreground, L"DocView");
         TiltWindow bar = d.Add(d.focus, L"ScrollBar");
         return {Scroll(d.focus, kTiltLineRight, bar), Scroll(d.focus, kTiltLineLeft, bar)};
     }},
    {"an iTunes parent: Shift and the wheel to the window under the pointer, at its client (2, 2)",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"iTunes", 0);
         d.focus = d.Add(top, L"iTunesSearch");
         d.under = d.Add(top, L"iTunesList", kChild, {500, 300});
         return {{{d.under, kTiltMouseWheel, Wheel(kTiltShiftKey, -120), At(502, 302)}},
                 {{d.under, kTiltMouseWheel, Wheel(kTiltShiftKey, 120), At(502, 302)}}};
     }},
    {"an iTunes parent with nothing under the pointer: nothing",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"iTunes", 0);
         d.focus = d.Add(top, L"iTunesSearch");
         return {{}, {}};
     }},
    {"a PGL view: two middle-button moves 10 pixels apart in client coordinates",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"Frame", 0);
         d.focus = d.Add(top, L"PGLCanvas", kChild, {100, 50});
         d.pointer = {300, 200};
         return {{{d.focus, kTiltMouseMove, kTiltMiddleButton, At(200, 150)},
                  {d.focus, kTiltMouseMove, kTiltMiddleButton, At(210, 150)}},
                 {{d.focus, kTiltMouseMove, kTiltMiddleButton, At(200, 150)},
                  {d.focus, kTiltMouseMove, kTiltMiddleButton, At(190, 150)}}};
     }},
    {"a PGL view left of the pointer's x: client coordinates stay signed",
     [](FakeDesktop& d) -> Expected {
         d.focus = d.Add(0, L"PGL", 0, {400, 300});
         d.pointer = {395, 290};
         return {{{d.focus, kTiltMouseMove, kTiltMiddleButton, At(-5, -10)},
                  {d.focus, kTiltMouseMove, kTiltMiddleButton, At(5, -10)}},
                 {{d.focus, kTiltMouseMove, kTiltMiddleButton, At(-5, -10)},
                  {d.focus, kTiltMouseMove, kTiltMiddleButton, At(-15, -10)}}};
     }},
    {"the PGL prefix is case-sensitive",
     [](FakeDesktop& d) -> Expected {
         d.focus = d.Add(0, L"pglCanvas", 0);
         return {Scroll(d.focus, kTiltLineRight, 0), Scroll(d.focus, kTiltLineLeft, 0)};
     }},
    {"NUIScrollbar in an Excel window: the focus takes the command",
     [](FakeDesktop& d) -> Expected {
         TiltWindow desk = d.Add(0, L"XLDESK", 0);
         d.focus = d.Add(desk, L"EXCEL7");
         TiltWindow host = d.Add(desk, L"EXCEL<");
         TiltWindow bar = d.Add(host, L"NUIScrollbar");
         return {Scroll(d.focus, kTiltLineRight, bar), Scroll(d.focus, kTiltLineLeft, bar)};
     }},
    {"NUIScrollbar elsewhere in Office: the bar's parent, even for a VISIOG focus",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"OpusApp", 0);
         d.focus = d.Add(top, L"VISIOG");
         TiltWindow host = d.Add(top, L"NetUIHWND");
         TiltWindow bar = d.Add(host, L"NUIScrollbar");
         return {Scroll(host, kTiltLineRight, bar), Scroll(host, kTiltLineLeft, bar)};
     }},
    {"a VISIOG focus beside a ScrollBar: the focus takes the command",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"VisioA", 0);
         d.focus = d.Add(top, L"VISIOG");
         TiltWindow bar = d.Add(top, L"ScrollBar");
         return {Scroll(d.focus, kTiltLineRight, bar), Scroll(d.focus, kTiltLineLeft, bar)};
     }},
    {"a DirectUIHWND focus without a bar: the window under the pointer, lParam 0",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"CabinetWClass", 0);
         d.focus = d.Add(top, L"DirectUIHWND");
         d.under = d.Add(top, L"SysListView32");
         return {Scroll(d.under, kTiltLineRight, 0), Scroll(d.under, kTiltLineLeft, 0)};
     }},
    {"a DirectUIHWND focus without a bar and nothing under the pointer: nothing",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"CabinetWClass", 0);
         d.focus = d.Add(top, L"DirectUIHWND");
         return {{}, {}};
     }},
    {"a DirectUIHWND focus with a bar below it: the bar takes the command itself",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"CabinetWClass", 0);
         d.focus = d.Add(top, L"DirectUIHWND");
         TiltWindow bar = d.Add(d.focus, L"ScrollBar");
         d.under = d.Add(top, L"SysListView32");
         return {Scroll(bar, kTiltLineRight, bar), Scroll(bar, kTiltLineLeft, bar)};
     }},
    {"a bar whose parent is a DirectUIHWND: the bar takes the command itself",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"Shell", 0);
         d.focus = d.Add(top, L"Edit");
         TiltWindow host = d.Add(top, L"DirectUIHWND");
         TiltWindow bar = d.Add(host, L"ScrollBar");
         return {Scroll(bar, kTiltLineRight, bar), Scroll(bar, kTiltLineLeft, bar)};
     }},
    {"a TibDrawBox under the pointer of a TPageControl focus takes the command",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"TfrmMain", 0);
         d.focus = d.Add(top, L"TPageControl");
         d.under = d.Add(top, L"TibDrawBox");
         return {Scroll(d.under, kTiltLineRight, 0), Scroll(d.under, kTiltLineLeft, 0)};
     }},
    {"a TibDrawBox under the pointer of any other focus does not",
     [](FakeDesktop& d) -> Expected {
         TiltWindow top = d.Add(0, L"TfrmMain", 0);
         d.focus = d.Add(top, L"TEdit");
         d.under = d.Add(top, L"TibDrawBox");
         return {Scroll(d.focus, kTiltLineRight, 0), Scroll(d.focus, kTiltLineLeft, 0)};
     }},
    {"no focus window, a horizontal bar elsewhere on the desktop: nothing, and no search",
     [](FakeDesktop& d) -> Expected {
         d.foreground = d.Add(0, L"Frame", 0);
         d.Add(d.foreground, L"ScrollBar");
         d.Add(0, L"ScrollBar", 0);
         d.under = d.foreground;
         return {{}, {}};
     }},
};

TEST(TiltRules, EverySceneGetsItsMessages) {
    for (const Scene& scene : kScenes) {
        for (int direction : {+1, -1}) {
            SCOPED_TRACE(std::string(scene.what) + (direction > 0 ? ", tilt right" : ", tilt left"));
            FakeDesktop desktop;
            const Expected expected = scene.build(desktop);
            const std::vector<TiltPost>& want = direction > 0 ? expected.right : expected.left;
            const std::vector<TiltPost> got = DecideTiltScroll(desktop, direction);
            EXPECT_EQ(got, want) << "got " << Describe(got) << "\nwant " << Describe(want);
            for (TiltPost post : got) EXPECT_NE(post.window, 0u) << "a post to no window";
            if (desktop.focus == 0) {
                EXPECT_TRUE(desktop.searchedRoots.empty());
            }
        }
    }
}

TEST(TiltRules, TheSearchStartsAtTheFocusParentOnce) {
    FakeDesktop desktop;
    TiltWindow top = desktop.Add(0, L"Frame", 0);
    TiltWindow panel = desktop.Add(top, L"Panel");
    desktop.focus = desktop.Add(panel, L"Edit");
    TiltWindow outside = desktop.Add(top, L"ScrollBar");
    // The bar beside the panel is outside the search: the focus's parent is the panel.
    EXPECT_EQ(DecideTiltScroll(desktop, 1), Scroll(desktop.focus, kTiltLineRight, 0));
    EXPECT_EQ(desktop.searchedRoots, std::vector<TiltWindow>{panel});
    EXPECT_EQ(FindHorizontalScrollBar(desktop, top), outside);
    // From no window the system would walk every top-level window of the desktop.
    EXPECT_EQ(FindHorizontalScrollBar(desktop, 0), 0u);
}

TEST(TiltRules, ManyStepsAreOneScroll) {
    // Three tilts to the right gathered before the thread woke: one step right, not three.
    EXPECT_EQ(TiltDirection(3), 1);
    EXPECT_EQ(TiltDirection(1), 1);
    EXPECT_EQ(TiltDirection(-1), -1);
    EXPECT_EQ(TiltDirection(-250), -1);
    EXPECT_EQ(TiltDirection(INT32_MAX), 1);
    EXPECT_EQ(TiltDirection(INT32_MIN), -1);
    EXPECT_EQ(TiltDirection(0), 0);

    FakeDesktop desktop;
    TiltWindow top = desktop.Add(0, L"Notepad", 0);
    desktop.focus = desktop.Add(top, L"Edit");
    TiltWindow bar = desktop.Add(top, L"ScrollBar");
    EXPECT_EQ(DecideTiltScroll(desktop, TiltDirection(3)), Scroll(top, kTiltLineRight, bar));
}

TEST(TiltRules, NoDirectionAsksNothing) {
    FakeDesktop desktop;
    desktop.focus = desktop.Add(0, L"Edit", 0);
    EXPECT_TRUE(DecideTiltScroll(desktop, 0).empty());
    EXPECT_EQ(desktop.questions, 0);
}

TEST(TiltRules, PackedValuesReadBackSigned) {
    // As GET_X_LPARAM, GET_Y_LPARAM and GET_WHEEL_DELTA_WPARAM read them.
    const std::uintptr_t point = PackTiltPoint({-5, -32768});
    EXPECT_EQ(std::int16_t(point & 0xFFFF), -5);
    EXPECT_EQ(std::int16_t(point >> 16 & 0xFFFF), -32768);
    EXPECT_EQ(point >> 32, 0u);
    const std::uintptr_t wheel = PackTiltWheel(kTiltShiftKey, -120);
    EXPECT_EQ(wheel & 0xFFFF, kTiltShiftKey);
    EXPECT_EQ(std::int16_t(wheel >> 16 & 0xFFFF), -120);
}

}  // namespace
