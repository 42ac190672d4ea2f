#pragma once
// The function picker: a cascading list of the catalogue's groups that opens at a point. One top-level list
// (PickerWindow) lives for the program's life; the settings view opens it below a slot marker (mode 0) and
// a button that carries a group opens it at the pointer (mode 1). A click on a function row posts
// kFunctionChosenMessage to the settings window; the receiver hides the list.
//
// Threads: every list belongs to the main thread; its scroll animation runs on a thread of its own that
// only ticks while the list is shown.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"
#include "shell/Catalogue.h"

#include <vector>

// Posted by a list to the settings window: wParam the chosen function number (catalogue position), lParam
// the list's mode (0 opened from the settings view, 1 opened by a button function).
constexpr UINT kFunctionChosenMessage = 12181;  // 0x2F95

class ZuItemList : public OverlayWindow {
public:
    // mode 0: opened from the settings view; mode 1: opened by a button function. `groupIconId`: the PNG drawn
    // in front of group rows (0: none).
    ZuItemList(int mode, int groupIconId);
    ~ZuItemList() override;

    void Start() override;          // the window, hidden, owned by the settings window
    bool Stop() noexcept override;  // the sub-lists first, then the scroll thread, then the window

    // Shows the members of `groupId` (0: the top level) of `catalogue`. Returns 0.
    int SetItems(const std::vector<_ZuItemListDB>& catalogue, int groupId);
    // Shows the list near screen point (x, y) in `mode`, unscrolled and without highlight.
    void ShowAt(int x, int y, int mode);
    // Hides the list and its sub-lists; safe on a hidden list.
    void Hide();
    // True for the window of this list or of any list in its chain of sub-lists.
    bool ContainsWindow(HWND hwnd) const;

    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }
    int Mode() const noexcept { return mode; }
    int Opacity() const noexcept { return opacity; }

private:
    int mode;
    int groupIconId;
    int opacity = 0;  // 255 from the first show on
    std::vector<_ZuItemListDB> shownEntries;
};
