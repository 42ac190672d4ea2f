// The picker's filling, its size and place on the screen, where sub-lists open, the row under the pointer,
// what a click chooses, the wheel, and the cursor's display count.
#include "overlays/PickerLayout.h"
#include "shell/Catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Rows from a pattern: 'f' function, 'g' group, 's' separator. Each row's index is 100 + its position.
std::vector<_ZuItemListDB> Rows(const std::string& pattern) {
    std::vector<_ZuItemListDB> rows;
    for (char c : pattern) {
        _ZuItemListDB e;
        e.kind = c == 'g' ? kKindGroup : c == 's' ? kKindSeparator : kKindFunction;
        e.index = 100 + int(rows.size());
        e.id = 1000 + int(rows.size());
        rows.push_back(e);
    }
    return rows;
}

std::vector<int> Indices(const std::vector<_ZuItemListDB>& rows) {
    std::vector<int> out;
    for (const _ZuItemListDB& e : rows) out.push_back(e.index);
    return out;
}

const PickerMetrics kMetrics;

// ------------------------------------------------------------------------------------------ filling

TEST(PickerFilling, ShowsTheGroupsMembersWithTheirCataloguePositions) {
    const FunctionCatalogueModel all = BuildCatalogue(false, DisplayTexts());
    const FunctionCatalogueModel newer = BuildCatalogue(true, DisplayTexts());
    struct Case {
        const FunctionCatalogueModel* catalogue;
        int group;
        std::vector<int> positions;
    } cases[] = {
        {&all, 0, {0, 1, 6, 10, 18, 26}},             // "No function" and the five groups
        {&all, 20, {7, 8, 9}},                         // Application, all three
        {&newer, 20, {7}},                             // only Calculator on 6.2
        {&newer, 30, {9, 10, 11, 12, 13, 14, 15}},     // Function key, positions shifted by two
        {&all, 70, {27, 28, 29, 30}},                  // Presenter: Spotlight shares id 73, still listed
        {&all, 11, {}},                                // a function's id is no group: nothing
    };
    for (const Case& c : cases) {
        std::vector<_ZuItemListDB> shown = PickerShownEntries(c.catalogue->entries, c.group);
        EXPECT_EQ(Indices(shown), c.positions) << "group " << c.group;
        for (const _ZuItemListDB& e : shown) {
            EXPECT_EQ(e.parentId, c.group);
            EXPECT_EQ(e.name, c.catalogue->entries[std::size_t(e.index)].name);
        }
    }
}

TEST(PickerFilling, OverwritesWhateverIndexTheCopiesCarried) {
    std::vector<_ZuItemListDB> catalogue = Rows("fff");
    catalogue[1].parentId = 5;
    catalogue[2].parentId = 5;
    EXPECT_EQ(Indices(PickerShownEntries(catalogue, 5)), (std::vector<int>{1, 2}));
    EXPECT_TRUE(PickerShownEntries({}, 0).empty());
}

TEST(PickerFilling, HeightIsTheMarginsAndTheRows) {
    EXPECT_EQ(PickerListHeight({}, kMetrics), 8);  // a group without members: an empty frame
    EXPECT_EQ(PickerListHeight({}, kMetrics, true), 8 + 36);  // no catalogue: room for "No item"
    EXPECT_EQ(PickerListHeight(Rows("ffgsf"), kMetrics), 8 + 4 * 36 + 8);
    const std::vector<_ZuItemListDB> rows = Rows("fs");
    EXPECT_EQ(PickerRowHeight(rows, 0, kMetrics), 36);
    EXPECT_EQ(PickerRowHeight(rows, 1, kMetrics), 8);
    EXPECT_EQ(PickerRowHeight(rows, 2, kMetrics), 0);   // past the rows
    EXPECT_EQ(PickerRowHeight(rows, -1, kMetrics), 0);
}

// ------------------------------------------------------------------------------------------ placement

TEST(PickerPlacement, FitsTheWorkAreaAsTable) {
    const PickerRect work{0, 0, 1280, 760};
    const PickerRect tall{0, 40, 1280, 1040};  // 1000 high, below a top taskbar
    struct Case {
        const char* what;
        int x, y, height;
        PickerRect work;
        int expectX, expectY, expectHeight;
    } cases[] = {
        {"fits", 100, 100, 224, work, 100, 100, 224},
        {"bottom exactly at the edge", 100, 536, 224, work, 100, 536, 224},
        {"below the bottom: moved up", 100, 700, 224, work, 100, 536, 224},
        {"40 rows in 1000: cut to 27", 100, 300, 8 + 40 * 36, tall, 100, 1040 - 980, 980},
        {"one taller than the area: not cut", 100, 300, 1001, tall, 100, 39, 1001},
        {"two taller: cut", 100, 300, 1002, tall, 100, 1040 - 980, 980},
        {"tall but above the bottom: left alone", 100, -2000, 8 + 40 * 36, tall, 100, -2000, 8 + 40 * 36},
        {"right edge exactly", 980, 100, 224, work, 980, 100, 224},
        {"across the right edge", 1100, 100, 224, work, 981, 100, 224},
        {"right and bottom", 1200, 700, 224, work, 981, 536, 224},
        {"left of the work area stays", -50, 100, 224, work, -50, 100, 224},
        {"above the work area stays", 100, -30, 224, work, 100, -30, 224},
        {"a work area too low for one row", 100, 100, 224, PickerRect{0, 0, 1280, 20}, 100, 12, 8},
    };
    for (const Case& c : cases) {
        PickerPlacement p = PlacePickerList(c.x, c.y, c.height, c.work, kMetrics);
        EXPECT_EQ(p.x, c.expectX) << c.what;
        EXPECT_EQ(p.y, c.expectY) << c.what;
        EXPECT_EQ(p.height, c.expectHeight) << c.what;
        EXPECT_EQ(p.width, 300) << c.what;
    }
}

TEST(PickerPlacement, ACutListEndsAtTheWorkAreasBottomWithWholeRows) {
    for (int workHeight : {300, 500, 777, 1000, 1080}) {
        const PickerRect work{0, 0, 1920, workHeight};
        const int height = PickerListHeight(Rows(std::string(80, 'f')), kMetrics);
        PickerPlacement p = PlacePickerList(0, 0, height, work, kMetrics);
        EXPECT_EQ((p.height - 8) % 36, 0) << workHeight;
        EXPECT_LE(p.height, workHeight + 1) << workHeight;
        EXPECT_GT(p.height + 36, workHeight + 1) << "as many rows as fit: " << workHeight;
        EXPECT_EQ(p.y + p.height, workHeight) << workHeight;
    }
}

// ------------------------------------------------------------------------------------------ sub-lists

TEST(PickerSubList, SideAndPlaceAsTable) {
    const PickerRect monitor{0, 0, 1280, 800};
    const PickerRect leftMonitor{-1280, 0, 0, 1024};
    const std::vector<_ZuItemListDB> rows = Rows("fgfsgg");
    struct Case {
        const char* what;
        PickerRect creator, monitor;
        int groupId;
        bool opensLeft;
        int topIndex, row;
        int expectX, expectY;
        bool expectLeft;
    } cases[] = {
        {"opens right, overlapping 11", {100, 100, 400, 300}, monitor, 0, false, 0, 1, 389, 140, false},
        {"first row lines up", {100, 100, 400, 300}, monitor, 0, false, 0, 0, 389, 104, false},
        {"rows 2..4 above (36 + 8 + 36), from topIndex", {100, 100, 400, 300}, monitor, 0, false, 2, 5, 389, 104 + 80, false},
        {"right edge exactly", {700, 100, 991, 300}, monitor, 0, false, 0, 1, 980, 140, false},
        {"crosses the right edge: opens left", {700, 100, 992, 300}, monitor, 0, false, 0, 1, 411, 140, true},
        {"keeps opening left", {411, 100, 711, 300}, monitor, 10, true, 0, 4, 122, 104 + 36 * 3 + 8, true},
        {"left edge exactly", {289, 100, 589, 300}, monitor, 10, true, 0, 1, 0, 140, true},
        {"crosses the left edge: back to the right", {288, 100, 588, 300}, monitor, 10, true, 0, 1, 577, 140, false},
        {"the top level never opens left of itself", {100, 100, 400, 300}, monitor, 0, true, 0, 1, 389, 140, true},
        {"a monitor left of the primary", {-400, 50, -100, 250}, leftMonitor, 0, false, 0, 1, -689, 90, true},
    };
    for (const Case& c : cases) {
        SubListPlacement p =
            PlaceSubList(c.creator, c.monitor, c.groupId, c.opensLeft, rows, c.topIndex, c.row, kMetrics);
        EXPECT_EQ(p.x, c.expectX) << c.what;
        EXPECT_EQ(p.y, c.expectY) << c.what;
        EXPECT_EQ(p.opensLeft, c.expectLeft) << c.what;
    }
}

TEST(PickerSubList, AChainTurnsLeftAtTheRightEdgeAndBackAtTheLeftEdge) {
    const PickerRect monitor{0, 0, 1280, 800};
    const std::vector<_ZuItemListDB> rows = Rows("g");
    PickerRect list{700, 100, 1000, 144};
    int groupId = 0;
    bool opensLeft = false;
    struct Step {
        int x;
        bool left;
    } expected[] = {{411, true}, {122, true}, {411, false}, {700, false}, {411, true}};
    for (const Step& step : expected) {
        SubListPlacement p = PlaceSubList(list, monitor, groupId, opensLeft, rows, 0, 0, kMetrics);
        EXPECT_EQ(p.x, step.x);
        EXPECT_EQ(p.opensLeft, step.left);
        list = {p.x, p.y, p.x + 300, p.y + 44};
        groupId = 10;
        opensLeft = p.opensLeft;
    }
}

// ------------------------------------------------------------------------------------------ pointer

TEST(PickerHover, RowUnderThePointAsTable) {
    const std::vector<_ZuItemListDB> rows = Rows("fffsff");  // 36 36 36 8 36 36: client 8 + 188 = 196
    struct Case {
        int topIndex, clientHeight, x, y, expect;
    } cases[] = {
        {0, 196, 4, 4, 0},       // left and top edges belong to the row
        {0, 196, 3, 4, -1},
        {0, 196, 4, 3, -1},      // in the top margin
        {0, 196, 291, 4, 0},
        {0, 196, 292, 4, -1},    // right edge (client width - 8) is outside
        {0, 196, 100, 39, 0},
        {0, 196, 100, 40, 1},    // bottom edge is the next row's
        {0, 196, 100, 111, 2},
        {0, 196, 100, 112, 3},   // the separator, 8 high
        {0, 196, 100, 119, 3},
        {0, 196, 100, 120, 4},
        {0, 196, 100, 191, 5},
        {0, 196, 100, 192, -1},  // the bottom margin
        {2, 196, 100, 4, 2},     // counted from topIndex
        {2, 196, 100, 47, 3},
        {2, 196, 100, 48, 4},
        {0, 100, 100, 95, 2},    // a row cut by the bottom margin ...
        {0, 100, 100, 96, -1},   // ... ends there
        {0, 196, -5, 10, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PickerRowAt(rows, c.topIndex, 300, c.clientHeight, {c.x, c.y}, kMetrics), c.expect)
            << "top " << c.topIndex << " height " << c.clientHeight << " at " << c.x << "," << c.y;
    }
}

TEST(PickerHover, StopsAtTheFirstRowBelowTheVisibleArea) {
    // Rows continue far below a 100-pixel list; a point down there is over none of them.
    const std::vector<_ZuItemListDB> rows = Rows(std::string(40, 'f'));
    EXPECT_EQ(PickerRowAt(rows, 0, 300, 100, {100, 500}, kMetrics), -1);
    EXPECT_EQ(PickerRowAt(rows, 39, 300, 100, {100, 40}, kMetrics), -1);  // past the last row
    EXPECT_EQ(PickerRowAt(rows, 45, 300, 100, {100, 10}, kMetrics), -1);  // a topIndex past the rows
}

TEST(PickerClick, OnlyAFunctionRowChoosesItsCataloguePosition) {
    const std::vector<_ZuItemListDB> rows = Rows("fgs");
    EXPECT_EQ(PickerChosenFunction(rows, 0), 100);
    EXPECT_EQ(PickerChosenFunction(rows, 1), -1);  // a group opens its sub-list instead
    EXPECT_EQ(PickerChosenFunction(rows, 2), -1);  // a separator does nothing
    EXPECT_EQ(PickerChosenFunction(rows, -1), -1);
    EXPECT_EQ(PickerChosenFunction(rows, 3), -1);
}

TEST(PickerWheel, OneRowPerMessageAsTable) {
    const std::vector<_ZuItemListDB> forty = Rows(std::string(40, 'f'));  // cut to 27 rows: 980 high
    const std::vector<_ZuItemListDB> six = Rows("fgfffg");                 // all fit: 224 high
    // 36 36 8 8 8 = 96: in a client 102 high the last separator ends 2 pixels inside the bottom margin.
    const std::vector<_ZuItemListDB> almost = Rows("ffsss");
    struct Case {
        const char* what;
        const std::vector<_ZuItemListDB>* rows;
        int clientHeight, target, delta, expect;
    } cases[] = {
        {"towards the user", &forty, 980, 0, -120, 1},
        {"any negative delta is one row", &forty, 980, 0, -1, 1},
        {"a large delta is still one row", &forty, 980, 0, -960, 1},
        {"until the last row shows", &forty, 980, 12, -120, 13},
        {"then no further", &forty, 980, 13, -120, 13},
        {"away from the user", &forty, 980, 5, 120, 4},
        {"delta 0 counts as away", &forty, 980, 5, 0, 4},
        {"away at the top", &forty, 980, 0, 120, 0},
        {"rows that all fit", &six, 224, 0, -120, 0},
        {"rows that all fit, away", &six, 224, 0, 120, 0},
        {"a row hidden by the margin comes up", &almost, 102, 0, -120, 1},
        {"a target past the rows", &forty, 980, 40, -120, 40},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PickerWheelTarget(*c.rows, c.target, c.clientHeight, c.delta, kMetrics), c.expect) << c.what;
    }
}

// ------------------------------------------------------------------------------------------ cursor

// The cursor's display count as ShowCursor keeps it.
struct CursorCount {
    int count;
    int calls = 0;
    ShowCursorCall Call() {
        return [this](bool show) {
            ++calls;
            return count += show ? 1 : -1;
        };
    }
};

TEST(PickerCursor, ShownWhileTheListIsAndRestoredAfterAsTable) {
    struct Case {
        int before;
        int whileShown;
        int cursorShown;
    } cases[] = {
        {-1, 0, 1},   // hidden by the highlighter: visible while the list is shown
        {0, 0, 0},    // visible: unchanged
        {3, 3, 0},
        {-2, -1, 1},  // hidden twice: one raise, given back after
    };
    for (const Case& c : cases) {
        CursorCount cursor{c.before};
        int cursorShown = 0;
        PickerRaiseCursor(cursorShown, cursor.Call());
        EXPECT_EQ(cursor.count, c.whileShown) << c.before;
        EXPECT_EQ(cursorShown, c.cursorShown) << c.before;
        PickerLowerCursor(cursorShown, cursor.Call());
        EXPECT_EQ(cursor.count, c.before) << c.before;
        EXPECT_EQ(cursorShown, 0);
        PickerLowerCursor(cursorShown, cursor.Call());  // hiding a hidden list
        EXPECT_EQ(cursor.count, c.before) << c.before;
    }
}

TEST(PickerCursor, ShowingAgainWhileShownKeepsTheRaiseItMustGiveBack) {
    // The settings view reopens a shown list; the count must still come back to -1 at the end.
    CursorCount cursor{-1};
    int cursorShown = 0;
    PickerRaiseCursor(cursorShown, cursor.Call());
    PickerRaiseCursor(cursorShown, cursor.Call());
    EXPECT_EQ(cursor.count, 0);
    EXPECT_EQ(cursorShown, 1);
    PickerLowerCursor(cursorShown, cursor.Call());
    EXPECT_EQ(cursor.count, -1);
}

TEST(PickerCursor, ASubListOverAVisibleCursorHoldsNoRaise) {
    CursorCount cursor{-1};
    int top = 0, sub = 0;
    PickerRaiseCursor(top, cursor.Call());
    PickerRaiseCursor(sub, cursor.Call());
    EXPECT_EQ(sub, 0);
    EXPECT_EQ(cursor.count, 0);
    PickerLowerCursor(sub, cursor.Call());  // the sub-list hides first, then its creator
    PickerLowerCursor(top, cursor.Call());
    EXPECT_EQ(cursor.count, -1);
}

}  // namespace
