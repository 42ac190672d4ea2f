// The picker's scroll animation over its ticks, the rows a paint draws for a topIndex and an offset, and
// everything one paint draws, in order.
#include "overlays/PickerLayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<_ZuItemListDB> Rows(const std::string& pattern) {
    std::vector<_ZuItemListDB> rows;
    for (char c : pattern) {
        _ZuItemListDB e;
        e.kind = c == 'g' ? kKindGroup : c == 's' ? kKindSeparator : kKindFunction;
        e.index = int(rows.size());
        rows.push_back(e);
    }
    return rows;
}

const PickerMetrics kMetrics;

struct TickState {
    int top, offset;
    bool operator==(const TickState& o) const { return top == o.top && offset == o.offset; }
};
std::ostream& operator<<(std::ostream& out, const TickState& s) {
    return out << "{" << s.top << ", " << s.offset << "}";
}

// Ticks until the animation rests (at most 40 ticks) and returns the state after each tick that moved.
std::vector<TickState> Animate(PickerScroll scroll, const std::vector<_ZuItemListDB>& rows) {
    std::vector<TickState> states;
    for (int i = 0; i < 40 && PickerScrollTick(scroll, rows, kMetrics); ++i) {
        states.push_back({scroll.topIndex, scroll.scrollOffset});
    }
    EXPECT_TRUE(scroll.AtRest());
    EXPECT_EQ(scroll.topIndex, scroll.targetTopIndex);
    return states;
}

// ------------------------------------------------------------------------------------------ scrolling

TEST(PickerScroll, OneRowSlidesHomeInBothDirections) {
    const std::vector<_ZuItemListDB> rows = Rows(std::string(40, 'f'));
    const std::vector<TickState> down = {{1, 36}, {1, 32}, {1, 28}, {1, 24}, {1, 20}, {1, 16},
                                         {1, 12}, {1, 8},  {1, 4},  {1, 2},  {1, 0}};
    EXPECT_EQ(Animate({0, 1, 0}, rows), down);
    const std::vector<TickState> up = {{4, -36}, {4, -32}, {4, -28}, {4, -24}, {4, -20}, {4, -16},
                                       {4, -12}, {4, -8},  {4, -4},  {4, -2},  {4, 0}};
    EXPECT_EQ(Animate({5, 4, 0}, rows), up);
}

TEST(PickerScroll, SeveralRowsJumpThenTheLastSlides) {
    const std::vector<_ZuItemListDB> rows = Rows(std::string(40, 'f'));
    std::vector<TickState> ticks = Animate({0, 3, 0}, rows);
    ASSERT_GE(ticks.size(), 4u);
    EXPECT_EQ(ticks[0], (TickState{1, 0}));
    EXPECT_EQ(ticks[1], (TickState{2, 0}));
    EXPECT_EQ(ticks[2], (TickState{3, 36}));
    EXPECT_EQ(ticks.back(), (TickState{3, 0}));
    EXPECT_EQ(ticks.size(), 2u + 11u);
}

TEST(PickerScroll, TheOffsetTakesTheSignOfTheDirectionAsTable) {
    const std::vector<_ZuItemListDB> rows = Rows("ffffsfff");
    struct Case {
        const char* what;
        PickerScroll before;
        TickState after;
    } cases[] = {
        {"on towards the user while sliding back", {1, 2, -20}, {2, 20}},
        {"on towards the user while sliding the same way", {1, 2, 20}, {2, 20}},
        {"away while sliding towards", {2, 1, 20}, {1, -20}},
        {"away while sliding the same way", {2, 1, -20}, {1, -20}},
        {"not there yet: the offset waits", {1, 3, -20}, {2, -20}},
        {"reaching a separator: its own height", {3, 4, 0}, {4, 8}},
        {"back onto a separator", {5, 4, 0}, {4, -8}},
        {"a small offset moves by 2", {2, 2, -4}, {2, -2}},
        {"6 still moves by 4", {2, 2, 6}, {2, 2}},
        {"an odd offset stops at 0", {2, 2, 3}, {2, 1}},
    };
    for (const Case& c : cases) {
        PickerScroll s = c.before;
        EXPECT_TRUE(PickerScrollTick(s, rows, kMetrics)) << c.what;
        EXPECT_EQ((TickState{s.topIndex, s.scrollOffset}), c.after) << c.what;
        EXPECT_EQ(s.targetTopIndex, c.before.targetTopIndex) << c.what;
    }
    PickerScroll odd{2, 2, 1};
    EXPECT_TRUE(PickerScrollTick(odd, rows, kMetrics));
    EXPECT_EQ(odd.scrollOffset, 0);
}

TEST(PickerScroll, AtRestATickChangesNothing) {
    PickerScroll s{3, 3, 0};
    EXPECT_FALSE(PickerScrollTick(s, Rows("ffff"), kMetrics));
    EXPECT_EQ(s.topIndex, 3);
    EXPECT_EQ(s.scrollOffset, 0);
}

// ------------------------------------------------------------------------------------------ painted rows

TEST(PickerPaint, RowsDrawnForTopIndexAndOffsetAsTable) {
    const std::vector<_ZuItemListDB> six = Rows("fgffsf");
    const std::vector<_ZuItemListDB> forty = Rows(std::string(40, 'f'));
    struct Case {
        const char* what;
        const std::vector<_ZuItemListDB>* rows;
        int top, offset, surfaceHeight;
        int firstRow, firstY, lastRow, count;
    } cases[] = {
        {"unscrolled, all rows", &six, 0, 0, 197, 0, 0, 5, 6},
        {"top 0 sliding back", &six, 0, -20, 197, 0, -20, 5, 6},
        {"the row above slides in", &forty, 3, 20, 981, 2, -16, 29, 28},
        {"unscrolled, the row above is out of sight", &forty, 3, 0, 981, 2, -36, 30, 29},
        {"sliding up: one more row below", &forty, 3, -20, 981, 2, -56, 30, 29},
        {"cut at the bottom: 27 whole rows and one more", &forty, 0, 0, 981, 0, 0, 27, 28},
        {"the last row at the top", &forty, 39, 0, 981, 38, -36, 39, 2},
        {"top at the end", &forty, 40, 0, 981, 39, -36, 39, 1},
        {"a topIndex past the rows draws none", &forty, 41, 0, 981, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<PickerPaintedRow> rows = PickerPaintedRows(*c.rows, c.top, c.offset, c.surfaceHeight, kMetrics);
        ASSERT_EQ(int(rows.size()), c.count) << c.what;
        if (rows.empty()) continue;
        EXPECT_EQ(rows.front(), (PickerPaintedRow{c.firstRow, c.firstY})) << c.what;
        EXPECT_EQ(rows.back().row, c.lastRow) << c.what;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].row, rows[i - 1].row + 1) << c.what;
            EXPECT_EQ(rows[i].y, rows[i - 1].y + PickerRowHeight(*c.rows, rows[i - 1].row, kMetrics)) << c.what;
        }
    }
}

// ------------------------------------------------------------------------------------------ the plan

PickerPaintInput Input(const std::vector<_ZuItemListDB>& rows, int hover = -1) {
    PickerPaintInput in;
    in.rows = &rows;
    in.hoverIndex = hover;
    in.groupIconId = 144;
    in.width = 301;
    in.height = PickerListHeight(rows, kMetrics) + 1;
    return in;
}

int Height24(int) { return 24; }

// The kinds of the plan's operations from position `from` on (the frame takes the first 7).
std::vector<PickerPaintOpKind> Kinds(const std::vector<PickerPaintOp>& plan, std::size_t from = 0) {
    std::vector<PickerPaintOpKind> kinds;
    for (std::size_t i = from; i < plan.size(); ++i) kinds.push_back(plan[i].kind);
    return kinds;
}

using K = PickerPaintOpKind;

TEST(PickerPaint, TheFrameComesFirst) {
    const std::vector<_ZuItemListDB> none;
    std::vector<PickerPaintOp> plan = PickerPaintPlan(Input(none), Height24);  // a group without members
    ASSERT_EQ(Kinds(plan), (std::vector<K>{K::FillRoundRegion, K::FillRoundRegion, K::FillRoundRegion,
                                          K::FillRoundRegion, K::ClipRoundRegion, K::FillTexture, K::FillRect}));
    const uint32_t rimColors[] = {0x10101010u, 0x20101010u, 0x30101010u, 0x40101010u};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(plan[i].rect, (PickerRect{i, i, 300 - i, 8 - i}));
        EXPECT_EQ(plan[i].ellipse, 7 - i);
        EXPECT_EQ(plan[i].color, rimColors[i]);
    }
    EXPECT_EQ(plan[4].rect, (PickerRect{4, 4, 296, 4}));
    EXPECT_EQ(plan[4].ellipse, 3);
    EXPECT_EQ(plan[5].rect, (PickerRect{0, 0, 301, 9}));
    EXPECT_EQ(plan[5].imageId, 148);
    EXPECT_EQ(plan[6].rect, (PickerRect{36, 0, 36 + 269, 9}));  // the text column, darker
    EXPECT_EQ(plan[6].color, 0x5A202020u);
}

TEST(PickerPaint, TheFrameDependsOnTheSizeAloneAndTheContentFollowsIt) {
    std::vector<_ZuItemListDB> rows = Rows("fgsf");
    PickerPaintInput in = Input(rows, 1);
    const std::vector<PickerPaintOp> whole = PickerPaintPlan(in, Height24);
    const std::vector<PickerPaintOp> frame = PickerFramePlan(in.width, in.height);
    const std::vector<PickerPaintOp> content = PickerContentPlan(in, Height24);
    ASSERT_EQ(whole.size(), frame.size() + content.size());
    EXPECT_EQ(frame.size(), 7u);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const PickerPaintOp& part = i < frame.size() ? frame[i] : content[i - frame.size()];
        EXPECT_EQ(whole[i].kind, part.kind) << i;
        EXPECT_EQ(whole[i].rect, part.rect) << i;
        EXPECT_EQ(whole[i].color, part.color) << i;
    }
    // Other rows, another scroll position: the same frame.
    in.topIndex = 1;
    in.scrollOffset = -12;
    in.hoverIndex = 3;
    const std::vector<PickerPaintOp> again = PickerPaintPlan(in, Height24);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        EXPECT_EQ(again[i].kind, frame[i].kind);
        EXPECT_EQ(again[i].rect, frame[i].rect);
    }
}

TEST(PickerPaint, AnEmptyCatalogueSaysNoItem) {
    const std::vector<_ZuItemListDB> rows = Rows("ff");  // rows are not drawn without a catalogue
    PickerPaintInput in = Input(rows);
    in.catalogueEmpty = true;
    std::vector<PickerPaintOp> plan = PickerPaintPlan(in, Height24);
    ASSERT_EQ(plan.size(), 8u);
    const PickerPaintOp& text = plan.back();
    EXPECT_EQ(text.kind, K::Text);
    EXPECT_EQ(text.row, -1);
    EXPECT_EQ(text.font, PickerFont::NoItem);
    EXPECT_EQ(text.rect, (PickerRect{0, 0, 301, in.height}));
    EXPECT_EQ(text.color, 0xFAFFFFFFu);
}

TEST(PickerPaint, RowsInOrderWithHighlightIconsArrowAndNames) {
    std::vector<_ZuItemListDB> rows = Rows("fgsf");
    rows[0].iconId = 154;  // an icon
    rows[3].iconId = 0;    // none
    std::vector<PickerPaintOp> plan = PickerPaintPlan(Input(rows, 1), Height24);
    const std::vector<K> rowKinds = {
        K::Image, K::Text,                                  // row 0: icon, name
        K::GradientRoundRegion, K::Image, K::Triangle, K::Text,  // row 1 hovered group: highlight, folder, arrow, name
        K::Line, K::Line,                                   // row 2: separator
        K::Text,                                            // row 3: name only
    };
    ASSERT_EQ(plan.size(), 7u + rowKinds.size());
    EXPECT_EQ(Kinds(plan, 7), rowKinds);

    const PickerPaintOp* op = &plan[7];
    EXPECT_EQ(op[0].imageId, 154);
    EXPECT_EQ(op[0].a, (PickerPoint{8, 0 + 4 + 6}));
    EXPECT_EQ(op[1].rect, (PickerRect{40, 4, 40 + 260, 40}));
    EXPECT_EQ(op[1].row, 0);
    EXPECT_EQ(op[1].font, PickerFont::RowName);

    EXPECT_EQ(op[2].rect, (PickerRect{5, 36 + 5, 295, 36 + 39}));  // the highlight of row 1 (Y 36)
    EXPECT_EQ(op[2].ellipse, 2);
    EXPECT_EQ(op[2].a, (PickerPoint{5, 41}));
    EXPECT_EQ(op[2].b, (PickerPoint{301, 75}));
    EXPECT_EQ(op[2].color, 0xC8BEBEBEu);
    EXPECT_EQ(op[2].color2, 0xB4A0A0A0u);
    EXPECT_EQ(op[3].imageId, 144);
    EXPECT_EQ(op[3].a, (PickerPoint{8, 36 + 10}));
    const int mid = 36 + 3 + 18;
    EXPECT_EQ(op[4].a, (PickerPoint{289, mid}));  // pointing right
    EXPECT_EQ(op[4].b, (PickerPoint{281, mid + 5}));
    EXPECT_EQ(op[4].c, (PickerPoint{281, mid - 5}));
    EXPECT_EQ(op[4].color, 0xFA000000u);
    EXPECT_EQ(op[5].row, 1);

    // The separator at Y 72: two lines, 4 pixels into its 8.
    EXPECT_EQ(op[6].a, (PickerPoint{40, 72 + 8}));
    EXPECT_EQ(op[6].b, (PickerPoint{291, 72 + 8}));
    EXPECT_EQ(op[6].color, 0x6F7A7A7Au);
    EXPECT_EQ(op[7].a, (PickerPoint{40, 72 + 9}));
    EXPECT_EQ(op[7].color, 0x6F202020u);
    EXPECT_EQ(op[8].rect, (PickerRect{40, 84, 300, 120}));
    EXPECT_EQ(op[8].row, 3);
}

TEST(PickerPaint, MissingPicturesAreLeftOutAndTheRestDrawn) {
    const std::vector<_ZuItemListDB> rows = Rows("gf");
    std::vector<_ZuItemListDB> withIcon = rows;
    withIcon[1].iconId = 152;
    PickerPaintInput in = Input(withIcon);
    std::vector<PickerPaintOp> plan = PickerPaintPlan(in, [](int) { return 0; });
    EXPECT_EQ(Kinds(plan, 7),
              (std::vector<K>{K::Triangle, K::Text, K::Text}));
    in.groupIconId = 0;  // no folder for group rows at all
    plan = PickerPaintPlan(in, Height24);
    EXPECT_EQ(Kinds(plan, 7),
              (std::vector<K>{K::Triangle, K::Text, K::Image, K::Text}));
}

TEST(PickerPaint, TheSlideMovesEverythingOfARow) {
    const std::vector<_ZuItemListDB> rows = Rows(std::string(10, 'f'));
    PickerPaintInput in = Input(rows, 3);
    in.height = 8 + 4 * 36 + 1;
    in.topIndex = 2;
    in.scrollOffset = 20;
    std::vector<PickerPaintOp> plan = PickerPaintPlan(in, Height24);
    std::vector<int> textRows, textTops;
    int highlightTop = 0;
    for (const PickerPaintOp& op : plan) {
        if (op.kind == K::Text) {
            textRows.push_back(op.row);
            textTops.push_back(op.rect.top);
        }
        if (op.kind == K::GradientRoundRegion) highlightTop = op.rect.top;
    }
    EXPECT_EQ(textRows, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(textTops, (std::vector<int>{-16 + 4, 20 + 4, 56 + 4, 92 + 4, 128 + 4}));
    EXPECT_EQ(highlightTop, 56 + 5);
}

}  // namespace
