#include "switcher/OverviewLayout.h"

#include <algorithm>
#include <cstdint>

OverviewMetrics OverviewMetrics::For(DisplayScale scale) {
    OverviewMetrics m;
    m.scale = scale;
    m.titlePixelsMany = scale.Px(m.titlePixelsMany);
    m.titlePixels = scale.Px(m.titlePixels);
    m.titleInset = scale.Px(m.titleInset);
    m.frameClipOut = scale.Px(m.frameClipOut);
    m.frameEllipse = scale.Px(m.frameEllipse);
    m.framePenInset = scale.Px(m.framePenInset);
    m.framePenExtra = scale.Px(m.framePenExtra);
    m.framePenWidth = scale.Px(m.framePenWidth);
    m.plateMargin = scale.Px(m.plateMargin);
    m.plateEllipse = scale.Px(m.plateEllipse);
    m.minCapturedSide = scale.Px(m.minCapturedSide);
    // Whatever the rounding did, a repaint covers the whole frame: its clip reaches one more than frameClipOut
    // at the right and bottom, and the pen's outer half as far as the clip.
    m.frameReach = std::max(scale.Px(m.frameReach), m.frameClipOut + 1);
    return m;
}

DisplayScale OverviewScale(const ExposeState& state) { return DisplayScale::FromDpi(state.dpi); }

SwitcherRect TitleLayout(const SwitcherRect& r, bool enlarged, const OverviewMetrics& m) {
    const int inset = m.titleInset;
    const int left = enlarged ? r.left + inset : r.left;
    return {left, r.top + inset, left + r.Width() - 2 * inset, r.top + inset + r.Height() - 2 * inset};
}

FrameShape FrameAround(const SwitcherRect& r, const OverviewMetrics& m) {
    FrameShape f;
    f.clip = {r.left - m.frameClipOut, r.top - m.frameClipOut, r.right + m.frameClipOut + 1,
              r.bottom + m.frameClipOut + 1};
    f.ellipse = m.frameEllipse;
    f.penLeft = r.left - m.framePenInset;
    f.penTop = r.top - m.framePenInset;
    f.penWidth = r.Width() + m.framePenExtra;
    f.penHeight = r.Height() + m.framePenExtra;
    f.penThickness = m.framePenWidth;
    return f;
}

SwitcherRect IconPlate(int left, int top, int iconWidth, int iconHeight, const OverviewMetrics& m) {
    return {left - m.plateMargin, top - m.plateMargin, left + iconWidth + m.plateMargin,
            top + iconHeight + m.plateMargin};
}

GridShape GridFor(int count) {
    GridShape grid;
    while (grid.columns * grid.rows < count) {
        if (grid.rows == grid.columns) {
            ++grid.columns;
        } else {
            ++grid.rows;
        }
    }
    return grid;
}

ThumbSize ThumbnailBox(int count, int cellWidth, int cellHeight) {
    if (count >= 10) return {(2 * cellWidth) / 3, (2 * cellHeight) / 3};
    if (count >= 5) return {(3 * cellWidth) / 5, (3 * cellHeight) / 5};
    return {cellWidth / 2, cellHeight / 2};
}

ThumbSize FitInBox(ThumbSize source, ThumbSize box) {
    if (source.height <= 0) return box;
    // 64-bit products: a window may claim a size far beyond any screen.
    std::int64_t height = box.height;
    std::int64_t width = std::int64_t(source.width) * box.height / source.height;
    if (width > box.width && source.width > 0) {
        height = std::int64_t(box.width) * source.height / source.width;
        width = box.width;
    }
    return {int(width), int(height)};
}

SwitcherRect CellRect(int index, int columns, int cellWidth, int cellHeight) {
    if (columns < 1) columns = 1;
    const int column = index % columns;
    const int row = index / columns;
    return {column * cellWidth, row * cellHeight, (column + 1) * cellWidth, (row + 1) * cellHeight};
}

SwitcherRect CentreInCell(int index, int columns, int cellWidth, int cellHeight, ThumbSize size) {
    const SwitcherRect cell = CellRect(index, columns, cellWidth, cellHeight);
    const int left = cell.left + (cellWidth - size.width) / 2;
    const int top = cell.top + (cellHeight - size.height) / 2;
    return {left, top, left + size.width, top + size.height};
}

void StartLayout(ExposeState& state, int switcherWidth, int switcherHeight) {
    for (int i = 0; i < kMaxListedWindows; ++i) {
        state.thumbnails[i] = 0;
        state.growOffsets[i] = {};
        // No rectangle until the window is placed: one left from an earlier list would catch clicks.
        state.homeRects[i] = {};
        state.currentRects[i] = {};
        state.sourceWidths[i] = 0;
        state.sourceHeights[i] = 0;
        state.hung[i] = false;
        state.icons[i] = 0;
    }
    const GridShape grid = GridFor(state.windowCount);
    state.columns = grid.columns;
    state.cellWidth = (switcherWidth + 1) / grid.columns;
    state.cellHeight = (switcherHeight + 1) / grid.rows;
}

namespace {

SwitcherRect Place(ExposeState& state, int index, ThumbSize size) {
    const SwitcherRect rect = CentreInCell(index, state.columns, state.cellWidth, state.cellHeight, size);
    state.homeRects[index] = rect;
    state.currentRects[index] = rect;
    return rect;
}

ThumbSize Box(const ExposeState& state) { return ThumbnailBox(state.windowCount, state.cellWidth, state.cellHeight); }

}  // namespace

SwitcherRect PlaceLiveThumbnail(ExposeState& state, int index, ThumbSize source) {
    state.sourceWidths[index] = source.width;
    state.sourceHeights[index] = source.height;
    return Place(state, index, FitInBox(source, Box(state)));
}

SwitcherRect PlaceCapturedThumbnail(ExposeState& state, int index, ThumbSize windowSize) {
    ThumbSize size = FitInBox({windowSize.width + 1, windowSize.height + 1}, Box(state));
    const int smallest = OverviewMetrics::For(OverviewScale(state)).minCapturedSide;
    size.width = std::max(size.width, smallest);
    size.height = std::max(size.height, smallest);
    return Place(state, index, size);
}

ThumbSize CapturedSourceSize(ThumbSize windowSize, bool iconic, const CaptureRecord* record) {
    if (iconic && record && record->picture) return {record->size.width, record->size.height};
    return windowSize;
}

int FirstHighlight(int windowCount) {
    if (windowCount >= 2) return 1;
    if (windowCount == 1) return 0;
    return -1;
}

std::wstring ShortTitle(const std::wstring& title) {
    if (title.size() <= kShortTitleChars) return title;
    std::size_t keep = kShortTitleChars;
    // Titles are UTF-16: the cut must not leave half a surrogate pair behind.
    const unsigned last = unsigned(title[keep - 1]);
    if (last >= 0xD800 && last <= 0xDBFF) --keep;
    return title.substr(0, keep) + L"...";
}
