#include "switcher/WindowList.h"

#include "shell/DisplayScale.h"

#include <algorithm>
#include <cstring>

const wchar_t kSwitcherTitle[] = L"zu_expwnd";

namespace {

// Classes of the shell's and the system's own full-screen and background windows; compared exactly.
const wchar_t* const kExcludedClasses[] = {
    L"WorkerW",          L"NativeHWNDHost",  L"ImmersiveBackgroundWindow", L"ImmersiveLauncher",
    L"MetroGhostWindow", L"SearchPane",      L"Snapped Desktop",
};

bool ExcludedClass(const std::wstring& name) {
    return std::any_of(std::begin(kExcludedClasses), std::end(kExcludedClasses),
                       [&](const wchar_t* excluded) { return name == excluded; });
}

// The taskbar, the desktop, the desktop's worker window and the Start button. Looked up afresh for every
// candidate: Explorer may come and go while the list is made.
bool IsShellWindow(WindowTree& tree, WindowId window) {
    for (const wchar_t* cls : {L"Shell_TrayWnd", L"Progman", L"WorkerW", L"Button"}) {
        const WindowId shell = tree.FindTopLevel(cls);
        if (shell != 0 && shell == window) return true;
    }
    return false;
}

// What a candidate that passed the filter stands for in the list: itself, its owner (for a window of zero
// width), or nothing.
WindowId Admit(WindowTree& tree, const ExposeState& state, WindowId h) {
    if (tree.ExStyle(h) & kToolWindowStyle) return 0;
    if (!tree.Visible(h)) return 0;
    if (h == tree.Desktop()) return 0;
    if (h == state.switcherWindow) return 0;
    if (ExcludedClass(tree.ClassName(h))) return 0;
    if (tree.Title(h) == kSwitcherTitle) {
        tree.Hide(h);
        return 0;
    }
    if (IsShellWindow(tree, h)) return 0;
    const WindowId owner = tree.Owner(h);
    const int count = state.windowCount;
    for (int i = 0; i < count; ++i) {
        const WindowId listed = state.windows[i];
        if (h == listed) return 0;
        if (h == tree.Owner(listed)) return 0;  // its dialog stands for it already
        if (owner != 0 && owner == listed) return 0;
    }
    if (tree.Iconic(h)) return h;  // a minimised window is not measured
    if (tree.Width(h) != 0) return h;
    // A window of no width stands in for its owner (only the width is looked at).
    if (owner == 0 || IsShellWindow(tree, owner)) return 0;
    if (tree.Width(owner) == 0) return 0;
    return owner;
}

}  // namespace

void CollectWindows(WindowTree& tree, ExposeState& state) {
    state.windowCount = 0;
    tree.VisitTopLevel([&](WindowId h) {
        const WindowId admitted = Admit(tree, state, h);
        if (admitted == 0) return;
        const int count = state.windowCount;
        if (count >= kMaxListedWindows) return;
        state.windows[count] = admitted;
        state.windowCount = count + 1;
    });
}

void CollectOtherMonitors(const std::vector<WindowId>& monitors, WindowId pointerMonitor, ExposeState& state) {
    state.otherMonitorCount = 0;
    for (WindowId monitor : monitors) {
        if (monitor == pointerMonitor) continue;
        if (state.otherMonitorCount >= kMaxOtherMonitors) break;
        state.otherMonitors[state.otherMonitorCount++] = monitor;
    }
}

bool DpiChangeEndsOverview(bool shown, int overviewDpi, int newDpi) {
    if (!shown) return false;
    return DisplayScale::FromDpi(newDpi) != DisplayScale::FromDpi(overviewDpi);
}

bool DisplayChangeEndsOverview(const SwitcherRect& shownOn, const std::vector<SwitcherRect>& dimmed,
                               const std::vector<SwitcherRect>& monitorsNow) {
    std::vector<SwitcherRect> others = monitorsNow;
    const auto own = std::find(others.begin(), others.end(), shownOn);
    if (own == others.end()) return true;
    others.erase(own);
    // Every panel still covers a monitor of its own; with more monitors than panels, the panels are all used.
    for (const SwitcherRect& panel : dimmed) {
        const auto match = std::find(others.begin(), others.end(), panel);
        if (match == others.end()) return true;
        others.erase(match);
    }
    const std::size_t panelsNeeded = std::min(monitorsNow.size() - 1, std::size_t(kMaxOtherMonitors));
    return dimmed.size() != panelsNeeded;
}
