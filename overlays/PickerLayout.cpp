#include "overlays/PickerLayout.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr uint32_t kShadowColors[4] = {0x10101010u, 0x20101010u, 0x30101010u, 0x40101010u};
constexpr uint32_t kTextColumnColor = 0x5A202020u;
constexpr uint32_t kSeparatorLightColor = 0x6F7A7A7Au;
constexpr uint32_t kSeparatorDarkColor = 0x6F202020u;
constexpr uint32_t kHighlightTopColor = 0xC8BEBEBEu;
constexpr uint32_t kHighlightBottomColor = 0xB4A0A0A0u;
constexpr uint32_t kArrowColor = 0xFA000000u;

int RowCount(const std::vector<_ZuItemListDB>& rows) { return int(rows.size()); }

}  // namespace

std::vector<_ZuItemListDB> PickerShownEntries(const std::vector<_ZuItemListDB>& catalogue, int groupId) {
    std::vector<_ZuItemListDB> shown;
    for (std::size_t j = 0; j < catalogue.size(); ++j) {
        if (catalogue[j].parentId != groupId) continue;
        shown.push_back(catalogue[j]);
        shown.back().index = int(j);
    }
    return shown;
}

int PickerRowHeight(const std::vector<_ZuItemListDB>& rows, int k, const PickerMetrics& m) {
    if (k < 0 || k >= RowCount(rows)) return 0;
    return rows[std::size_t(k)].kind == kKindSeparator ? m.separatorHeight : m.rowHeight;
}

int PickerListHeight(const std::vector<_ZuItemListDB>& rows, const PickerMetrics& m, bool catalogueEmpty) {
    int height = 2 * kPickerMargin;
    // "No item" needs a row's room; the margins alone would leave a sliver where it cannot be read.
    if (catalogueEmpty) return height + m.rowHeight;
    for (int k = 0; k < RowCount(rows); ++k) height += PickerRowHeight(rows, k, m);
    return height;
}

PickerPlacement PlacePickerList(int x, int y, int listHeight, const PickerRect& workArea, const PickerMetrics& m) {
    PickerPlacement place{x, y, m.listWidth, listHeight};
    if (place.y + place.height > workArea.bottom) {
        const int workHeight = workArea.Height();
        if (place.height > workHeight + 1 && m.rowHeight > 0) {
            // Whole rows only: a row cut in half at the bottom would look like the end of the list.
            const int wholeRows = std::max(0, (workHeight - 7) / m.rowHeight);
            place.height = 2 * kPickerMargin + m.rowHeight * wholeRows;
        }
        place.y = workArea.bottom - place.height;
    }
    if (place.x + m.listWidth > workArea.right) place.x = workArea.right - m.listWidth + 1;
    return place;
}

SubListPlacement PlaceSubList(const PickerRect& creator, const PickerRect& monitor, int groupId, bool opensLeft,
                              const std::vector<_ZuItemListDB>& rows, int topIndex, int row,
                              const PickerMetrics& m) {
    const int rightOf = creator.right - kSubListOverlap;
    const int leftOf = creator.left - m.listWidth + kSubListOverlap;
    SubListPlacement place;
    place.x = (groupId != 0 && opensLeft) ? leftOf : rightOf;
    place.opensLeft = opensLeft;
    if (!opensLeft && place.x + m.listWidth > monitor.right) {
        place.x = leftOf;
        place.opensLeft = true;
    } else if (place.x < monitor.left && opensLeft) {
        place.x = rightOf;
        place.opensLeft = false;
    }
    place.y = creator.top + kPickerMargin;
    for (int j = std::max(0, topIndex); j < row; ++j) place.y += PickerRowHeight(rows, j, m);
    return place;
}

int PickerRowAt(const std::vector<_ZuItemListDB>& rows, int topIndex, int clientWidth, int clientHeight,
                PickerPoint at, const PickerMetrics& m) {
    int y = kPickerMargin;
    for (int k = std::max(0, topIndex); k < RowCount(rows); ++k) {
        if (y > clientHeight - kPickerMargin) break;
        const int h = PickerRowHeight(rows, k, m);
        const int bottom = std::min(y + h, clientHeight - kPickerMargin);
        if (at.x >= kPickerMargin && at.x < clientWidth - 8 && at.y >= y && at.y < bottom) return k;
        y += h;
    }
    return -1;
}

int PickerChosenFunction(const std::vector<_ZuItemListDB>& rows, int hoverIndex) {
    if (hoverIndex < 0 || hoverIndex >= RowCount(rows)) return -1;
    const _ZuItemListDB& entry = rows[std::size_t(hoverIndex)];
    return entry.kind == kKindFunction ? entry.index : -1;
}

int PickerWheelTarget(const std::vector<_ZuItemListDB>& rows, int targetTopIndex, int clientHeight, int wheelDelta,
                      const PickerMetrics& m) {
    if (wheelDelta >= 0) return targetTopIndex > 0 ? targetTopIndex - 1 : targetTopIndex;
    // Towards the user only while rows from the target on still reach below the bottom margin: once the
    // last row shows whole, there is nothing more to bring up.
    int y = kPickerMargin;
    for (int k = std::max(0, targetTopIndex); k < RowCount(rows); ++k) {
        y += PickerRowHeight(rows, k, m);
        if (y > clientHeight - kPickerMargin) return targetTopIndex + 1;
    }
    return targetTopIndex;
}

bool PickerScrollTick(PickerScroll& s, const std::vector<_ZuItemListDB>& rows, const PickerMetrics& m) {
    if (s.targetTopIndex > s.topIndex) {
        ++s.topIndex;
        if (s.topIndex == s.targetTopIndex) {
            if (s.scrollOffset == 0) {
                s.scrollOffset = PickerRowHeight(rows, s.topIndex, m);
            } else if (s.scrollOffset < 0) {
                s.scrollOffset = -s.scrollOffset;
            }
        }
        return true;
    }
    if (s.targetTopIndex < s.topIndex) {
        --s.topIndex;
        if (s.topIndex == s.targetTopIndex) {
            if (s.scrollOffset == 0) {
                s.scrollOffset = -PickerRowHeight(rows, s.topIndex, m);
            } else if (s.scrollOffset > 0) {
                s.scrollOffset = -s.scrollOffset;
            }
        }
        return true;
    }
    if (s.scrollOffset == 0) return false;
    const int step = std::abs(s.scrollOffset) >= 6 ? 4 : 2;
    // Never past 0, even for a row height that is odd.
    s.scrollOffset = s.scrollOffset > 0 ? std::max(0, s.scrollOffset - step) : std::min(0, s.scrollOffset + step);
    return true;
}

std::vector<PickerPaintedRow> PickerPaintedRows(const std::vector<_ZuItemListDB>& rows, int topIndex,
                                                int scrollOffset, int surfaceHeight, const PickerMetrics& m) {
    std::vector<PickerPaintedRow> painted;
    int k = 0;
    int y = scrollOffset;
    if (topIndex > 0) {
        k = topIndex - 1;
        y = scrollOffset - PickerRowHeight(rows, k, m);
    }
    for (; k < RowCount(rows); ++k) {
        painted.push_back({k, y});
        y += PickerRowHeight(rows, k, m);
        if (y > surfaceHeight - kPickerMargin) break;
    }
    return painted;
}

namespace {

PickerPaintOp Op(PickerPaintOpKind kind) {
    PickerPaintOp op;
    op.kind = kind;
    return op;
}

// A picture centred in a row at x 8; nothing when the picture cannot be had.
void AddRowImage(std::vector<PickerPaintOp>& plan, int imageId, int rowY, const PickerMetrics& m,
                 const PickerImageHeight& imageHeight) {
    const int height = imageHeight ? imageHeight(imageId) : 0;
    if (height <= 0) return;
    PickerPaintOp image = Op(PickerPaintOpKind::Image);
    image.imageId = imageId;
    image.a = {8, rowY + kPickerMargin + (m.rowHeight - height) / 2};
    plan.push_back(image);
}

}  // namespace

std::vector<PickerPaintOp> PickerPaintPlan(const PickerPaintInput& in, const PickerImageHeight& imageHeight) {
    std::vector<PickerPaintOp> plan = PickerFramePlan(in.width, in.height);
    std::vector<PickerPaintOp> content = PickerContentPlan(in, imageHeight);
    plan.insert(plan.end(), content.begin(), content.end());
    return plan;
}

std::vector<PickerPaintOp> PickerFramePlan(int w, int h) {
    std::vector<PickerPaintOp> plan;

    // The shadow: four rims on top of each other, so it darkens towards the inside.
    for (int i = 0; i < 4; ++i) {
        PickerPaintOp rim = Op(PickerPaintOpKind::FillRoundRegion);
        rim.rect = {i, i, w - 1 - i, h - 1 - i};
        rim.ellipse = 7 - i;
        rim.color = kShadowColors[i];
        plan.push_back(rim);
    }
    PickerPaintOp clip = Op(PickerPaintOpKind::ClipRoundRegion);
    clip.rect = {kPickerMargin, kPickerMargin, w - 5, h - 5};
    clip.ellipse = 3;
    plan.push_back(clip);

    PickerPaintOp texture = Op(PickerPaintOpKind::FillTexture);
    texture.rect = {0, 0, w, h};
    texture.imageId = kPickerTextureId;
    plan.push_back(texture);
    PickerPaintOp column = Op(PickerPaintOpKind::FillRect);
    column.rect = {kPickerIconColumn, 0, kPickerIconColumn + w - 32, h};
    column.color = kTextColumnColor;
    plan.push_back(column);
    return plan;
}

std::vector<PickerPaintOp> PickerContentPlan(const PickerPaintInput& in, const PickerImageHeight& imageHeight) {
    static const std::vector<_ZuItemListDB> kNoRows;
    const std::vector<_ZuItemListDB>& rows = in.rows ? *in.rows : kNoRows;
    const PickerMetrics& m = in.metrics;
    const int w = in.width;
    const int h = in.height;
    std::vector<PickerPaintOp> plan;
    if (in.catalogueEmpty) {
        PickerPaintOp noItem = Op(PickerPaintOpKind::Text);
        noItem.rect = {0, 0, w, h};
        noItem.row = -1;
        noItem.font = PickerFont::NoItem;
        noItem.color = kPickerTextColor;
        plan.push_back(noItem);
        return plan;
    }

    for (const PickerPaintedRow& painted : PickerPaintedRows(rows, in.topIndex, in.scrollOffset, h, m)) {
        const _ZuItemListDB& entry = rows[std::size_t(painted.row)];
        const int y = painted.y;
        if (entry.kind == kKindSeparator) {
            const int s = m.separatorHeight / 2;
            PickerPaintOp light = Op(PickerPaintOpKind::Line);
            light.a = {kPickerTextLeft, y + 4 + s};
            light.b = {w - 10, y + 4 + s};
            light.color = kSeparatorLightColor;
            plan.push_back(light);
            PickerPaintOp dark = Op(PickerPaintOpKind::Line);
            dark.a = {kPickerTextLeft, y + 5 + s};
            dark.b = {w - 10, y + 5 + s};
            dark.color = kSeparatorDarkColor;
            plan.push_back(dark);
            continue;
        }
        if (painted.row == in.hoverIndex) {
            PickerPaintOp highlight = Op(PickerPaintOpKind::GradientRoundRegion);
            highlight.rect = {5, y + 5, w - 6, y + 3 + m.rowHeight};
            highlight.ellipse = 2;
            highlight.a = {5, y + 5};
            highlight.color = kHighlightTopColor;
            highlight.b = {w, y + 3 + m.rowHeight};
            highlight.color2 = kHighlightBottomColor;
            plan.push_back(highlight);
        }
        if (entry.kind == kKindGroup) {
            if (in.groupIconId != 0) AddRowImage(plan, in.groupIconId, y, m, imageHeight);
            const int mid = y + 3 + m.rowHeight / 2;
            PickerPaintOp arrow = Op(PickerPaintOpKind::Triangle);
            arrow.a = {w - 12, mid};
            arrow.b = {w - 20, mid + 5};
            arrow.c = {w - 20, mid - 5};
            arrow.color = kArrowColor;
            plan.push_back(arrow);
        } else if (entry.kind == kKindFunction && entry.iconId != 0) {
            AddRowImage(plan, entry.iconId, y, m, imageHeight);
        }
        PickerPaintOp name = Op(PickerPaintOpKind::Text);
        name.rect = {kPickerTextLeft, y + 4, kPickerTextLeft + w - 41, y + 4 + m.rowHeight};
        name.row = painted.row;
        name.font = PickerFont::RowName;
        name.color = kPickerTextColor;
        plan.push_back(name);
    }
    return plan;
}

void PickerRaiseCursor(int& cursorShown, const ShowCursorCall& showCursor) {
    if (cursorShown == 1 || !showCursor) return;
    cursorShown = 1;
    if (showCursor(true) > 0) {
        // It was visible already: give the raise back at once.
        showCursor(false);
        cursorShown = 0;
    }
}

void PickerLowerCursor(int& cursorShown, const ShowCursorCall& showCursor) {
    if (cursorShown != 1) return;
    if (showCursor) showCursor(false);
    cursorShown = 0;
}
