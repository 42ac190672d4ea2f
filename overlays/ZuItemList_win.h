#pragma once
// The function picker: a cascading list of the catalogue's groups that opens at a point. One top-level list
// is created hidden at start-up; its content, scrolling and sub-lists are drawn and run by this class.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

class ZuItemList : public OverlayWindow {
public:
    // mode 0: opened from the settings view; mode 1: opened by a button function.
    ZuItemList(int mode, int groupIconId) : mode(mode), groupIconId(groupIconId) {}

    const int mode;
    const int groupIconId;  // PNG drawn in front of group entries
    int opacity = 0;        // 255 when fully shown

    void Start() override { Create(IDD_ITEMLIST); }
    bool Stop() noexcept override;  // hides the list with its sub-lists, then destroys it

    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }
    // Hides the list and its open sub-lists.
    void Hide();
};
