#pragma once
// The desktop as the switcher reads it: the window list's tree over the system's calls, the monitors, and
// the facts an overview asks of each listed window. Every call here is safe from any thread and never waits
// for a window that does not answer: titles are read without a message, a window is hidden without waiting
// for it, and a window is asked for its icon only with a short limit.
#include "switcher/WindowList.h"

#include <windows.h>

#include <string>
#include <vector>

class SystemWindowTree final : public WindowTree {
public:
    void VisitTopLevel(const std::function<void(WindowId)>& visit) override;
    std::uint32_t ExStyle(WindowId window) override;
    bool Visible(WindowId window) override;
    WindowId Desktop() override;
    std::wstring ClassName(WindowId window) override;
    std::wstring Title(WindowId window) override;
    void Hide(WindowId window) override;
    WindowId FindTopLevel(const wchar_t* className) override;
    WindowId Owner(WindowId window) override;
    bool Iconic(WindowId window) override;
    int Width(WindowId window) override;
};

inline HWND AsHwnd(WindowId id) { return reinterpret_cast<HWND>(id); }
inline WindowId IdOf(HWND hwnd) { return reinterpret_cast<WindowId>(hwnd); }

// Every display monitor, in the system's order.
std::vector<WindowId> DisplayMonitors();
// The monitor under `point`, or the nearest one.
WindowId MonitorAt(POINT point);
#if defined(ORVEL_TEST_HOOKS)
// Test builds: the switcher takes these made-up monitors for the display's from now on (none: the display's
// own again). Wine here has one monitor and cannot change its displays. Any thread.
void UseMadeUpMonitors(const std::vector<SwitcherRect>& monitors);
#endif
// The full rectangle of each monitor, in the system's order; of one monitor (empty when it is gone).
std::vector<SwitcherRect> MonitorRects();
SwitcherRect MonitorRect(WindowId monitor);
inline SwitcherRect AsSwitcherRect(const RECT& r) { return {int(r.left), int(r.top), int(r.right), int(r.bottom)}; }
inline RECT AsRect(const SwitcherRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// A window's title as the system keeps it, at most `chars` characters; never sends the window a message, so
// neither a hung window nor the UI thread (for the program's own windows) can hold the caller up.
std::wstring WindowTitle(HWND window, int chars);

// How long a window may take to answer before the switcher treats it as hung.
constexpr UINT kAnswerLimitMs = 50;

// False when the system reports the window hung, or it does not answer within kAnswerLimitMs.
bool WindowAnswers(HWND window);

// The window's icon: its class's icon, its class's small icon, then what it answers to WM_GETICON (big,
// small, the system's small), each question limited to kAnswerLimitMs; null when it has none. The icon
// belongs to the window or its class. `answered` becomes false when a question went unanswered in time.
HICON WindowIcon(HWND window, bool* answered = nullptr);
