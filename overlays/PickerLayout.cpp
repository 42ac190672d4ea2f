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

PickerMetrics PickerMetrics::ForScale(const DisplayScale& scale) {
    PickerMetrics m;
    m.scale = scale;
    m.rowHeight = scale.Px(m.rowHeight);
    m.separatorHeight = scale.Px(m.separatorHeight);
    m.listWidth = scale.Px(m.listWidth);
    m.margin = scale.Px(m.margin);
    m.subListOverlap = scale.Px(m.subListOverlap);
    m.iconColumn = scale.Px(m.iconColumn);
    m.textLeft = scale.Px(m.textLeft);
    m.nameFontPixels = scale.Px(m.nameFontPixels);
    m.noItemFontPixels = scale.Px(m.noItemFontPixels);
    return m;
}

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
    int height = 2 * m.margin;
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
            // (7 at 96 DPI: the two margins less the pixel a list may reach past the work area.)
            const int wholeRows = std::max(0, (workHeight - (2 * m.margin - 1)) / m.rowHeight);
            place.height = 2 * m.margin + m.rowHeight * wholeRows;
        }
        place.y = workArea.bottom - place.height;
    }
    if (place.x + m.listWidth > workArea.right) place.x = workArea.right - m.listWidth + 1;
    return place;
}

SubListPlacement PlaceSubList(const PickerRect& creator, const PickerRect& monitor, int groupId, bool opensLeft,
                              const std::vector<_ZuItemListDB>& rows, int topIndex, int row,
                              const PickerMetrics& m) {
    const int rightOf = creator.right - m.subListOverlap;
    const int leftOf = creator.left - m.listWidth + m.subListOverlap;
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
    // Neither side has room (a wide list on a narrow or highly scaled monitor): the list stays on the side
    // chosen but is pulled back onto the monitor, over part of its creator, instead of off the screen.
    place.x = std::max(monitor.left, std::min(place.x, monitor.right - m.listWidth));
    place.y = creator.top + m.margin;
    for (int j = std::max(0, topIndex); j < row; ++j) place.y += PickerRowHeight(rows, j, m);
    return place;
}

int PickerRowAt(const std::vector<_ZuItemListDB>& rows, int topIndex, int clientWidth, int clientHeight,
                PickerPoint at, const PickerMetrics& m) {
    int y = m.margin;
    const int right = clientWidth - m.Px(8);
    for (int k = std::max(0, topIndex); k < RowCount(rows); ++k) {
        if (y > clientHeight - m.margin) break;
        const int h = PickerRowHeight(rows, k, m);
        const int bottom = std::min(y + h, clientHeight - m.margin);
        if (at.x >= m.margin && at.x < right && at.y >= y && at.y < bottom) return k;
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
    int y = m.margin;
    for (int k = std::max(0, targetTopIndex); k < RowCount(rows); ++k) {
        y += PickerRowHeight(rows, k, m);
        if (y > clientHeight - m.margin) return targetTopIndex + 1;
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
    // 4 pixels a step and 2 for the last (at 96 DPI): a slide takes as many steps at every scale.
    const int step = std::abs(s.scrollOffset) >= m.Px(6) ? m.Px(4) : m.Px(2);
    // Never past 0, even for a row height that is odd (45 at 125 %).
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
        if (y > surfaceHeight - m.margin) break;
    }
    return painted;
}

namespace {

PickerPaintOp Op(PickerPaintOpKind kind) {
    PickerPaintOp op;
    op.kind = kind;
    return op;
}

// A picture centred in a row at x 8 (at 96 DPI), as large as the list's scale makes it; nothing when the
// picture cannot be had.
void AddRowImage(std::vector<PickerPaintOp>& plan, int imageId, int rowY, const PickerMetrics& m,
                 const PickerImageHeight& imageHeight) {
    const int height = imageHeight ? imageHeight(imageId) : 0;
    if (height <= 0) return;
    const int side = m.Px(height);
    PickerPaintOp image = Op(PickerPaintOpKind::Image);
    image.imageId = imageId;
    image.a = {m.Px(8), rowY + m.margin + (m.rowHeight - side) / 2};
    image.rect = {image.a.x, image.a.y, image.a.x + side, image.a.y + side};
    plan.push_back(image);
}

}  // namespace

std::vector<PickerPaintOp> PickerPaintPlan(const PickerPaintInput& in, const PickerImageHeight& imageHeight) {
    std::vector<PickerPaintOp> plan = PickerFramePlan(in.width, in.height, in.metrics);
    std::vector<PickerPaintOp> content = PickerContentPlan(in, imageHeight);
    plan.insert(plan.end(), content.begin(), content.end());
    return plan;
}

std::vector<PickerPaintOp> PickerFramePlan(int w, int h, const PickerMetrics& m) {
    std::vector<PickerPaintOp> plan;

    // The shadow: four rims on top of each other, so it darkens towards the inside; at 200 % each rim is
    // two pixels wide, so the shadow keeps its look rather than turning into a hairline.
    for (int i = 0; i < 4; ++i) {
        const int inset = m.Px(i);
        PickerPaintOp rim = Op(PickerPaintOpKind::FillRoundRegion);
        rim.rect = {inset, inset, w - 1 - inset, h - 1 - inset};
        rim.ellipse = m.Px(7 - i);
        rim.color = kShadowColors[i];
        plan.push_back(rim);
    }
    PickerPaintOp clip = Op(PickerPaintOpKind::ClipRoundRegion);
    clip.rect = {m.margin, m.margin, w - 1 - m.margin, h - 1 - m.margin};
    clip.ellipse = m.Px(3);
    plan.push_back(clip);

    PickerPaintOp texture = Op(PickerPaintOpKind::FillTexture);
    texture.rect = {0, 0, w, h};
    texture.imageId = kPickerTextureId;
    plan.push_back(texture);
    PickerPaintOp column = Op(PickerPaintOpKind::FillRect);
    column.rect = {m.iconColumn, 0, m.iconColumn + w - m.Px(32), h};
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
            const int line = m.Px(1);
            PickerPaintOp light = Op(PickerPaintOpKind::Line);
            light.a = {m.textLeft, y + m.margin + s};
            light.b = {w - m.Px(10), y + m.margin + s};
            light.color = kSeparatorLightColor;
            light.lineWidth = line;
            plan.push_back(light);
            PickerPaintOp dark = Op(PickerPaintOpKind::Line);
            dark.a = {m.textLeft, y + m.margin + s + line};
            dark.b = {w - m.Px(10), y + m.margin + s + line};
            dark.color = kSeparatorDarkColor;
            dark.lineWidth = line;
            plan.push_back(dark);
            continue;
        }
        if (painted.row == in.hoverIndex) {
            PickerPaintOp highlight = Op(PickerPaintOpKind::GradientRoundRegion);
            highlight.rect = {m.Px(5), y + m.Px(5), w - m.Px(6), y + m.Px(3) + m.rowHeight};
            highlight.ellipse = m.Px(2);
            highlight.a = {m.Px(5), y + m.Px(5)};
            highlight.color = kHighlightTopColor;
            highlight.b = {w, y + m.Px(3) + m.rowHeight};
            highlight.color2 = kHighlightBottomColor;
            plan.push_back(highlight);
        }
        if (entry.kind == kKindGroup) {
            if (in.groupIconId != 0) AddRowImage(plan, in.groupIconId, y, m, imageHeight);
            const int mid = y + m.Px(3) + m.rowHeight / 2;
            PickerPaintOp arrow = Op(PickerPaintOpKind::Triangle);
            arrow.a = {w - m.Px(12), mid};
            arrow.b = {w - m.Px(20), mid + m.Px(5)};
            arrow.c = {w - m.Px(20), mid - m.Px(5)};
            arrow.color = kArrowColor;
            plan.push_back(arrow);
        } else if (entry.kind == kKindFunction && entry.iconId != 0) {
            AddRowImage(plan, entry.iconId, y, m, imageHeight);
        }
        PickerPaintOp name = Op(PickerPaintOpKind::Text);
        name.rect = {m.textLeft, y + m.margin, m.textLeft + w - m.Px(41), y + m.margin + m.rowHeight};
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
