#pragma once
// The function picker: a cascading list of the catalogue's groups that opens at a point. One top-level list
// (the owner's) lives for the program's life; the settings view opens it below a slot marker (mode 0) and
// a button that carries a group opens it at the pointer (mode 1). A click on a function row posts
// kFunctionChosenMessage to the settings window; the receiver hides the list. A group row opens a sub-list
// beside it, made on first need and kept by the list that opened it; sub-lists open theirs in turn.
//
// Each list draws at the scale of the monitor it was shown on (PickerMetrics::ForScale): the point it opens
// at decides, and a DPI change of that monitor re-places the chain from the list that hears of it.
//
// Threads: every list belongs to the main thread. The scroll animation of a chain (the top-level list and
// its sub-lists) is clocked by one TickClock, the top-level list's: it ticks every 10 ms while any list of the
// chain is shown and sliding and otherwise sleeps; each tick is posted to the UI thread, which moves the
// sliding lists' rows and repaints them. The clock's thread holds nothing of the lists.
#include "overlays/LayeredWindow_win.h"
#include "overlays/OverlayWindow_win.h"
#include "overlays/PickerLayout.h"
#include "resources/resource.h"
#include "shell/Catalogue.h"
#include "toolkit/TickClock_win.h"

#include <atomic>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// Posted by a list to the settings window: wParam the chosen function number (catalogue position), lParam
// the list's mode (0 opened from the settings view, 1 opened by a button function).
constexpr UINT kFunctionChosenMessage = 12181;  // 0x2F95

class ZuItemList : public OverlayWindow {
public:
    // mode 0: opened from the settings view; mode 1: opened by a button function. `groupIconId`: the PNG drawn
    // in front of group rows (0: none).
    ZuItemList(int mode, int groupIconId);
    // A sub-list of `top`'s chain: ticked by its clock.
    ZuItemList(int mode, int groupIconId, ZuItemList& top);
    ~ZuItemList() override;

    void Start(HWND owner) override;  // the window, hidden, owned by the settings window
    bool Stop() noexcept override;  // the sub-lists first, then the scroll clock, then the window

    // Shows the members of `groupId` (0: the top level) of `catalogue`. Returns 0.
    int SetItems(const std::vector<_ZuItemListDB>& catalogue, int groupId);
    // Shows the list near screen point (x, y) in `mode`, unscrolled and without highlight, at the scale of
    // the monitor of that point.
    void ShowAt(int x, int y, int mode);
    // The same at `scale` (a sub-list at its creator's, the benchmark at the scale it measures).
    void ShowAt(int x, int y, int mode, const DisplayScale& scale);
    // Hides the list and its sub-lists; safe on a hidden list.
    void Hide();
    // The first show's paint work done now: the fonts, the texture, the string format, and the top level of
    // `catalogue` drawn once off screen (its frame kept, the glyphs and icons met), at the scale of the
    // owner's monitor, where the settings view opens it.
    void WarmUp(const std::vector<_ZuItemListDB>& catalogue);
    // True for the window of this list or of any list in its chain of sub-lists.
    bool ContainsWindow(HWND hwnd) const;

    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }
    int Mode() const noexcept { return mode; }
    const DisplayScale& Scale() const noexcept { return scale; }
    int Opacity() const noexcept { return opacity; }

    // One 10 ms step of the scroll animation of every sliding list of this one's chain; the chain's clock
    // posts it to the top-level list. Main thread.
    void ChainScrollTick();
    // One 10 ms step of this list's own slide.
    void ScrollTick();
    // The open sub-list, or null (none made yet, or hidden).
    ZuItemList* OpenSubList() const;
    // What the last paint cost, and whether it reached the screen (the benchmark reads it).
    const LayeredPaintTimings& LastPaint() const noexcept { return lastPaint; }

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint() override;

private:
    Reply OnMouseMove(msg::Point point);
    Reply OnLeftButtonUp(msg::Point point);
    Reply OnOtherButton(msg::Point point);
    Reply OnMouseWheel(msg::Params params);
    Reply OnDpiChanged(msg::Params params);
    static const MessageEntry<ZuItemList> kMessages[];

    bool CreateWindowOwnedBy(HWND owner);
    PickerMetrics Metrics() const { return PickerMetrics::ForScale(scale); }
    // The scale a sub-list opened at screen point `at` draws at: this list's own on this list's monitor
    // (kept current by WM_DPICHANGED), the other monitor's where it opens on another.
    DisplayScale SubListScaleAt(POINT at) const;
    // This list again at `newScale` with its top-left at (x, y), its rows, highlight and scroll position
    // kept, and its open sub-list re-placed beside the highlighted row in turn.
    void Relayout(int x, int y, const DisplayScale& newScale);
    void PlaceSubList(int k, const DisplayScale& subScale, bool relayoutOnly);
    void DetectHover(POINT at);
    void SetHover(int k);
    void CloseSubListAndRehover(POINT at);
    void StartScrollClock();
    void SetTicking(bool on);
    bool ChainSliding() const;
    void AllowOwnerForeground();
    void MakePaintResources();
    const LayeredSurface* FrameOfSize(int width, int height);
    bool CopyFrameInto(HDC surface, int width, int height);  // false: no frame (the content draws it)
    // The frame's clip and the content over it; returns how many row names it drew.
    int DrawContent(Gdiplus::Graphics& graphics, PickerPaintInput input, int width, int height, bool frameCopied);
    // Draws the plan; the rows' names come from `rows` (the list's own, or the warm-up's). Returns how many
    // row names it drew.
    int DrawPlan(Gdiplus::Graphics& graphics, const std::vector<PickerPaintOp>& plan,
                 const std::vector<_ZuItemListDB>& rows);

    // In the order the list's description gives them.
    ZuItemList* chainTop;                     // the top-level list of this one's chain (itself for the top)
    TickClock scrollClock;                    // the chain's clock (only the top-level list's runs), from ShowAt
    bool sliding = false;                     // this list's rows slide: the chain's clock ticks for it
    std::vector<_ZuItemListDB> allEntries;    // the whole catalogue, refreshed by SetItems
    std::vector<_ZuItemListDB> shownEntries;  // the rows, in catalogue order
    int topIndex = 0;                         // the first row drawn at the top
    int cursorShown = 0;                      // 1 while showing the list holds a raise of the cursor count
    DisplayScale scale;                       // the monitor's it was shown on (its row height, width, ...)
    int groupId = 0;                          // the parentId of the rows (0: top level)
    int hoverIndex = -1;                      // the highlighted row, -1 for none
    std::unique_ptr<ZuItemList> subList;      // the list opened for a group row
    int groupIconId = 0;                      // PNG in front of group rows; a sub-list copies it
    int scrollOffset = 0;                     // the slide: positive draws the rows lower
    int targetTopIndex = 0;                   // where the user scrolled to
    int opacity = 0;                          // 255 from the first show on
    int mode = 0;                             // passed on to sub-lists
    int opensLeft = 0;                        // 1: this list's sub-lists open to its left

    bool stopped = false;
    bool stopResult = true;
    std::unique_ptr<Gdiplus::Font> nameFont;    // "Arial" 18 px at 96 DPI, made at the first paint at a scale
    std::unique_ptr<Gdiplus::Font> noItemFont;  // "Tahoma" 20 px at 96 DPI
    std::unique_ptr<Gdiplus::StringFormat> textFormat;
    std::unique_ptr<Gdiplus::TextureBrush> texture;  // from PNG 148, made once
    // The frame (shadow, texture, text column) drawn once per list size: most of a paint's cost, and the
    // same on every tick of a slide. A list shows few sizes (the top level and the groups).
    std::map<std::pair<int, int>, LayeredSurface> frames;
    int paintResourcesDpi = 0;  // the scale the fonts, the texture and the frames were made for (0: none)
    LayeredPaintTimings lastPaint;
};
