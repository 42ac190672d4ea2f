#pragma once
// The presenter board (highlighter, screen snaps, spotlight). Created hidden as a child of the desktop's
// program-manager window; made layered in its initialisation.
//
// Threads: the board belongs to the main thread. The mouse hook's thread sees it only through
// BoardVisible and BoardMode (shell/ProcessState.h), which the board keeps current, and BoardHandle, which
// it may invalidate.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

#include <atomic>

// The board's window while it exists, for the mouse hook's thread to invalidate; null otherwise.
extern std::atomic<HWND> BoardHandle;

class BoardDlg : public OverlayWindow {
public:
    void Start() override;
    bool Stop() noexcept override;

    // 0 off; 1 highlighter, 2 and 3 the screen snaps, 4 spotlight. Published to the hook's thread.
    int Mode() const noexcept { return mode; }
    void SetMode(int newMode) noexcept;
    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }

    // Opens the board in `newMode` (1 highlighter, 3 screen snap #1, 2 screen snap #2, 4 spotlight), or closes
    // it when it is open in any mode. The presenter tools come with the board itself.
    void ToggleMode(int newMode);
    // Every raw mouse record of the desktop, whether the board is shown or not.
    void OnRawMouse(long lastX, long lastY, unsigned buttonFlags, unsigned buttonData);

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Reply OnInitDialog();
    Reply OnWindowPosChanged();
    static const MessageEntry<BoardDlg> kMessages[];

    int mode = 0;
};
