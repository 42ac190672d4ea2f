// Which windows an overview lists, over a simulated desktop, and which monitors it dims.
#include "switcher/WindowList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Top-level windows in Z-order, topmost first.
class FakeTree : public WindowTree {
public:
    struct Window {
        std::wstring cls = L"AppWindow";
        std::wstring title = L"app";
        std::uint32_t exStyle = 0;
        bool visible = true;
        WindowId owner = 0;
        bool iconic = false;
        int width = 640;
    };

    WindowId desktop = 0;
    std::vector<WindowId> hidden;

    WindowId Add(Window w) {
        const WindowId id = 0x100 + 4 * WindowId(order_.size());
        order_.push_back(id);
        windows_.push_back(std::move(w));
        return id;
    }
    WindowId AddClass(const std::wstring& cls) {
        Window w;
        w.cls = cls;
        return Add(w);
    }
    Window& At(WindowId id) {
        auto it = std::find(order_.begin(), order_.end(), id);
        if (it == order_.end()) throw std::logic_error("asked about a window that is not there");
        return windows_[size_t(it - order_.begin())];
    }

    void VisitTopLevel(const std::function<void(WindowId)>& visit) override {
        for (WindowId id : order_) visit(id);
    }
    std::uint32_t ExStyle(WindowId w) override { return At(w).exStyle; }
    bool Visible(WindowId w) override { return At(w).visible; }
    WindowId Desktop() override { return desktop; }
    std::wstring ClassName(WindowId w) override { return At(w).cls.substr(0, kWindowTextChars); }
    std::wstring Title(WindowId w) override { return At(w).title.substr(0, kWindowTextChars); }
    void Hide(WindowId w) override {
        hidden.push_back(w);
        At(w).visible = false;
    }
    WindowId FindTopLevel(const wchar_t* cls) override {
        for (size_t i = 0; i < order_.size(); ++i) {
            if (windows_[i].cls == cls) return order_[i];
        }
        return 0;
    }
    WindowId Owner(WindowId w) override { return w ? At(w).owner : 0; }
    bool Iconic(WindowId w) override { return At(w).iconic; }
    int Width(WindowId w) override { return At(w).width; }

private:
    std::vector<WindowId> order_;
    std::vector<Window> windows_;
};

std::vector<WindowId> Listed(const ExposeState& state) {
    return std::vector<WindowId>(state.windows, state.windows + state.windowCount);
}

std::vector<WindowId> Collect(FakeTree& tree, WindowId switcher = 0) {
    auto state = std::make_unique<ExposeState>();
    state->switcherWindow = switcher;
    CollectWindows(tree, *state);
    return Listed(*state);
}

TEST(SwitcherWindowList, TheFilterOnADesktopOfEverything) {
    FakeTree tree;
    FakeTree::Window tool;
    tool.exStyle = kToolWindowStyle | 0x100;  // a tool window, whatever else it has
    const WindowId toolWindow = tree.Add(tool);
    const WindowId taskbar = tree.AddClass(L"Shell_TrayWnd");
    const WindowId first = tree.AddClass(L"Notepad");
    const WindowId progman = tree.AddClass(L"Progman");
    const WindowId startButton = tree.AddClass(L"Button");
    const WindowId worker = tree.AddClass(L"WorkerW");
    tree.AddClass(L"WorkerW");  // not the first one: still of an excluded class
    for (const wchar_t* cls : {L"NativeHWNDHost", L"ImmersiveBackgroundWindow", L"ImmersiveLauncher",
                               L"MetroGhostWindow", L"SearchPane", L"Snapped Desktop"}) {
        tree.AddClass(cls);
    }
    const WindowId lookalike = tree.AddClass(L"searchpane");  // classes compare exactly
    FakeTree::Window invisible;
    invisible.visible = false;
    tree.Add(invisible);
    const WindowId desktop = tree.AddClass(L"#32769");
    tree.desktop = desktop;
    const WindowId switcher = tree.AddClass(L"#32770");
    FakeTree::Window leftover;
    leftover.title = kSwitcherTitle;
    const WindowId leftoverSwitcher = tree.Add(leftover);
    FakeTree::Window leftoverTool = leftover;
    leftoverTool.exStyle = kToolWindowStyle;
    const WindowId hiddenTool = tree.Add(leftoverTool);
    FakeTree::Window longTitle;
    longTitle.title = std::wstring(kSwitcherTitle) + std::wstring(120, L'x');  // only an exact title counts
    const WindowId longTitled = tree.Add(longTitle);
    const WindowId last = tree.AddClass(L"Explorer");

    EXPECT_EQ(Collect(tree, switcher), (std::vector<WindowId>{first, lookalike, longTitled, last}));
    EXPECT_EQ(tree.hidden, (std::vector<WindowId>{leftoverSwitcher})) << "only the visible non-tool leftover is hidden";
    (void)toolWindow, (void)taskbar, (void)progman, (void)startButton, (void)worker, (void)hiddenTool;
}

TEST(SwitcherWindowList, FourHundredOfFourHundredAndOneInZOrder) {
    FakeTree tree;
    std::vector<WindowId> eligible;
    for (int i = 0; i < 401; ++i) {
        eligible.push_back(tree.AddClass(L"App"));
        if (i % 50 == 0) {
            FakeTree::Window tool;
            tool.exStyle = kToolWindowStyle;
            tree.Add(tool);
            if (i == 0) tree.AddClass(L"Shell_TrayWnd");  // the taskbar is the first of its class only
            FakeTree::Window thin;
            thin.width = 0;  // no owner: nobody to stand in for
            tree.Add(thin);
        }
    }
    auto state = std::make_unique<ExposeState>();
    CollectWindows(tree, *state);
    ASSERT_EQ(state->windowCount, kMaxListedWindows);
    EXPECT_EQ(Listed(*state), std::vector<WindowId>(eligible.begin(), eligible.begin() + kMaxListedWindows));

    // The list is rebuilt from empty: a second desktop of two windows lists two.
    FakeTree small;
    const WindowId a = small.AddClass(L"App"), b = small.AddClass(L"App");
    CollectWindows(small, *state);
    EXPECT_EQ(Listed(*state), (std::vector<WindowId>{a, b}));
}

TEST(SwitcherWindowList, OwnersAndTheirDialogsStandForEachOtherOnce) {
    // A dialog above its owner (as the system keeps them) stands for the pair.
    {
        FakeTree tree;
        FakeTree::Window dialog;
        dialog.owner = 0x100 + 4;  // the next window
        const WindowId d = tree.Add(dialog);
        const WindowId owner = tree.AddClass(L"App");
        ASSERT_EQ(owner, dialog.owner);
        const WindowId other = tree.AddClass(L"App");
        EXPECT_EQ(Collect(tree), (std::vector<WindowId>{d, other}));
    }
    // An owner found first keeps its dialogs out, and two dialogs of one owner count once.
    {
        FakeTree tree;
        const WindowId owner = tree.AddClass(L"App");
        FakeTree::Window dialog;
        dialog.owner = owner;
        tree.Add(dialog);
        tree.Add(dialog);
        EXPECT_EQ(Collect(tree), (std::vector<WindowId>{owner}));
    }
}

TEST(SwitcherWindowList, AWindowOfNoWidthStandsInForItsOwner) {
    struct Row {
        const char* what;
        bool ownerListedFirst;
        int ownerWidth;
        const wchar_t* ownerClass;
        bool thinIsIconic;
        int thinWidth;
        bool expectThin, expectOwner;
    };
    const Row rows[] = {
        {"replaced by its owner", false, 800, L"App", false, 0, false, true},
        {"owner of no width too: neither", false, 0, L"App", false, 0, false, false},
        {"owned by the taskbar: neither", false, 800, L"Shell_TrayWnd", false, 0, false, false},
        {"owned by the desktop: neither", false, 800, L"Progman", false, 0, false, false},
        {"minimised is never measured", false, 800, L"App", true, 0, true, false},
        {"zero height but some width is listed", false, 800, L"App", false, 10, true, false},
    };
    for (const Row& row : rows) {
        FakeTree tree;
        FakeTree::Window thin;
        thin.iconic = row.thinIsIconic;
        thin.width = row.thinWidth;
        thin.owner = 0x100 + 4;
        const WindowId t = tree.Add(thin);
        FakeTree::Window owner;
        owner.cls = row.ownerClass;
        owner.width = row.ownerWidth;
        owner.visible = false;  // an owner is not put through the filter itself
        owner.exStyle = kToolWindowStyle;
        const WindowId o = tree.Add(owner);
        std::vector<WindowId> expected;
        if (row.expectThin) expected.push_back(t);
        if (row.expectOwner) expected.push_back(o);
        EXPECT_EQ(Collect(tree), expected) << row.what;
    }
    // The owner is listed once, even when a second window of no width and the owner itself follow.
    FakeTree tree;
    FakeTree::Window thin;
    thin.width = 0;
    thin.owner = 0x100 + 8;
    tree.Add(thin);
    tree.Add(thin);
    const WindowId owner = tree.AddClass(L"App");
    EXPECT_EQ(Collect(tree), (std::vector<WindowId>{owner}));
}

TEST(SwitcherWindowList, OtherMonitors) {
    auto state = std::make_unique<ExposeState>();
    CollectOtherMonitors({0x10}, 0x10, *state);
    EXPECT_EQ(state->otherMonitorCount, 0);

    CollectOtherMonitors({0x10, 0x20, 0x30}, 0x20, *state);
    ASSERT_EQ(state->otherMonitorCount, 2);
    EXPECT_EQ(state->otherMonitors[0], 0x10u);
    EXPECT_EQ(state->otherMonitors[1], 0x30u);

    // 22 monitors: the one under the pointer and 21 others, of which the first 20 have panels.
    std::vector<WindowId> many;
    for (WindowId m = 1; m <= 22; ++m) many.push_back(m);
    CollectOtherMonitors(many, 2, *state);
    ASSERT_EQ(state->otherMonitorCount, kMaxOtherMonitors);
    EXPECT_EQ(state->otherMonitors[0], 1u);
    EXPECT_EQ(state->otherMonitors[1], 3u);
    EXPECT_EQ(state->otherMonitors[19], 21u);

    // The pointer's monitor unknown to the list: the first 20 of 21.
    many.pop_back();
    CollectOtherMonitors(many, 99, *state);
    EXPECT_EQ(state->otherMonitorCount, kMaxOtherMonitors);
    EXPECT_EQ(state->otherMonitors[19], 20u);
}

TEST(SwitcherWindowList, ADisplayChangeEndsOnlyAnOverviewWhoseMonitorsChanged) {
    const SwitcherRect main{0, 0, 1920, 1080}, right{1920, 0, 3200, 1024}, left{-1280, 0, 0, 1024};
    struct Row {
        const char* what;
        SwitcherRect shownOn;
        std::vector<SwitcherRect> dimmed, now;
        bool ends;
    };
    const Row rows[] = {
        {"nothing changed (a colour depth)", main, {}, {main}, false},
        {"its monitor took another resolution", main, {}, {{0, 0, 1280, 720}}, true},
        {"its monitor moved", main, {}, {{0, 8, 1920, 1088}}, true},
        {"no monitor left", main, {}, {}, true},
        {"two monitors, listed in the other order", main, {right}, {right, main}, false},
        {"the dimmed monitor unplugged", main, {right}, {main}, true},
        {"its own monitor unplugged", right, {main}, {main}, true},
        {"a monitor plugged in, not dimmed", main, {right}, {main, right, left}, true},
        {"the dimmed monitor resized", main, {right}, {main, {1920, 0, 3840, 1080}}, true},
        {"two mirrored monitors of one rectangle", main, {main}, {main, main}, false},
        {"one of the mirrored pair gone", main, {main}, {main}, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DisplayChangeEndsOverview(row.shownOn, row.dimmed, row.now), row.ends) << row.what;
    }

    // 22 monitors: 20 of the 21 others have panels. Losing the one without a panel leaves every panel on its
    // monitor and every other monitor dimmed; losing one with a panel does not.
    std::vector<SwitcherRect> now{main};
    for (int i = 0; i < 21; ++i) now.push_back({1920 + 100 * i, 0, 2020 + 100 * i, 100});
    const std::vector<SwitcherRect> dimmed(now.begin() + 1, now.begin() + 1 + kMaxOtherMonitors);
    EXPECT_FALSE(DisplayChangeEndsOverview(main, dimmed, now)) << "22 monitors, nothing changed";
    std::vector<SwitcherRect> lostUndimmed = now;
    lostUndimmed.pop_back();
    EXPECT_FALSE(DisplayChangeEndsOverview(main, dimmed, lostUndimmed)) << "the monitor without a panel unplugged";
    std::vector<SwitcherRect> lostDimmed = now;
    lostDimmed.erase(lostDimmed.begin() + 3);
    EXPECT_TRUE(DisplayChangeEndsOverview(main, dimmed, lostDimmed)) << "a dimmed one of 22 unplugged";
}

}  // namespace
