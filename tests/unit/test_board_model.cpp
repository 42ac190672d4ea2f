// The board's handling of raw mouse records: the order of its steps, the highlighter's strokes, the
// selections of both snaps (ending in a clipboard snap only when they began on the board), the darkening
// after a selection on the monitor's edge, the toggle, what a capture and a close reset, and what a board
// whose operation failed half-way tells and leaves behind.
#include "overlays/BoardModel.h"

#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Notes every call as a short line; the cursor is wherever the test puts it.
class FakeHost : public BoardHost {
public:
    BoardPoint cursor;
    bool shown = true;
    std::vector<std::string> calls;
    BoardModel* model = nullptr;  // the model the recapture resets
    bool snapsFail = false;       // a snap runs out of memory half-way, as the window's may
    bool strokesFail = false;

    BoardPoint CursorPoint() override {
        calls.push_back("cursor");
        return cursor;
    }
    bool Shown() override { return shown; }
    void Show() override {
        shown = true;
        calls.push_back("show");
    }
    void Hide() override {
        shown = false;
        calls.push_back("hide");
    }
    void Refresh(const BoardRect& r) override {
        std::ostringstream s;
        s << "refresh " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        calls.push_back(s.str());
    }
    void RefreshAll() override { calls.push_back("refresh-all"); }
    void Stroke(BoardPoint from, BoardPoint to) override {
        if (strokesFail) throw std::bad_alloc();
        std::ostringstream s;
        s << "stroke " << from.x << "," << from.y << " " << to.x << "," << to.y;
        calls.push_back(s.str());
    }
    void SaveSnap(SnapTarget target) override {
        if (snapsFail) {
            if (model) model->snapActive = 1;  // the window hides the pen before it makes the picture
            throw std::bad_alloc();
        }
        calls.push_back(target == SnapTarget::File ? "snap-file" : "snap-clipboard");
    }
    void Recapture() override {
        calls.push_back("recapture");
        if (model) model->OnCapture();
    }
    void MoveSpotlight(BoardPoint at) override {
        std::ostringstream s;
        s << "spotlight " << at.x << "," << at.y;
        calls.push_back(s.str());
    }

    // The calls of kinds that matter to a test, refreshes and cursor reads left out.
    std::vector<std::string> Actions() const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind("refresh ", 0) != 0 && c != "cursor") out.push_back(c);
        return out;
    }
};

struct Board {
    BoardModel model;
    FakeHost host;
    explicit Board(BoardMode mode) {
        model.mode = mode;
        model.OnCapture();
        host.model = &model;
    }
    void At(int x, int y) { host.cursor = {x, y}; }
    void Record(int dx, int dy, unsigned flags, int wheel = 0) { model.OnRawMouse(dx, dy, flags, wheel, host); }
    void MoveTo(int x, int y) {
        At(x, y);
        Record(1, 0, 0);
    }
    void Drag(std::initializer_list<BoardPoint> points) {
        auto it = points.begin();
        At(it->x, it->y);
        Record(0, 0, kRawLeftDown);
        for (++it; it != points.end(); ++it) MoveTo(it->x, it->y);
        Record(0, 0, kRawLeftUp);
    }
};

TEST(BoardModel, ClosedBoardOnlyHidesItself) {
    Board b(BoardMode::Off);
    b.Record(5, 5, kRawLeftDown | kRawRightUp | kRawWheel, 120);
    EXPECT_EQ(b.host.calls, std::vector<std::string>({"hide"}));
    b.host.calls.clear();
    b.Record(5, 5, kRawLeftDown);
    EXPECT_TRUE(b.host.calls.empty()) << "a hidden, closed board does nothing at all";
    EXPECT_EQ(b.model.dragState, 0);
    EXPECT_EQ(b.model.colourIndex, 0);
}

TEST(BoardModel, AnOpenBoardThatWasHiddenShowsAgain) {
    Board b(BoardMode::Rectangle);
    b.host.shown = false;
    b.Record(0, 0, 0);
    EXPECT_EQ(b.host.calls, std::vector<std::string>({"show"}));
}

TEST(BoardModel, StepsOfOneRecordRunInTheirOrder) {
    Board b(BoardMode::Rectangle);
    b.At(50, 60);
    b.Record(0, 0, kRawLeftDown);  // a drag in progress, so the left up below ends in a snap
    b.host.calls.clear();
    b.At(70, 80);
    b.Record(3, 0, kRawWheel | kRawButton5Up | kRawLeftUp | kRawRightUp | kRawLeftDown | kRawMiddleUp, -120);
    // Wheel, fifth button, left up (the snap of the finished drag), right up, left down (the darkening
    // gives way to the new drag), middle up.
    EXPECT_EQ(b.host.Actions(), std::vector<std::string>({"snap-file", "refresh-all", "snap-clipboard",
                                                          "snap-file", "refresh-all", "recapture"}));
    EXPECT_EQ(b.model.colourIndex, 1);
    EXPECT_EQ(b.model.dragState, 1);
    EXPECT_EQ(b.model.lastPoint, (BoardPoint{70, 80}));
    // The cursor was read once for the whole record.
    int reads = 0;
    for (const std::string& c : b.host.calls) reads += c == "cursor";
    EXPECT_EQ(reads, 1);
}

TEST(BoardModel, HighlighterStrokesFromTheLastPoint) {
    Board b(BoardMode::Highlighter);
    b.At(100, 100);
    b.Record(0, 0, kRawLeftDown);  // a fresh press: a dot, though nothing moved
    b.MoveTo(120, 105);
    b.MoveTo(150, 110);
    b.Record(0, 0, kRawLeftUp);
    b.MoveTo(160, 120);  // the pen cursor only
    EXPECT_EQ(b.host.Actions(), std::vector<std::string>({"stroke 100,100 100,100", "stroke 100,100 120,105",
                                                          "stroke 120,105 150,110"}));
    EXPECT_EQ(b.model.lastPoint, (BoardPoint{160, 120}));
    // The pen cursor is repainted where it was and where it is.
    EXPECT_EQ(b.host.calls.back(), "refresh 140,100,180,140");
    EXPECT_EQ(b.host.calls[b.host.calls.size() - 2], "refresh 130,90,170,130");
    // A record that neither moves nor presses leaves the last point alone.
    b.At(400, 400);
    b.Record(0, 0, kRawRightDown);
    EXPECT_EQ(b.model.lastPoint, (BoardPoint{160, 120}));
    // A second left down while the drag is on is not a fresh press.
    b.At(10, 10);
    b.Record(0, 0, kRawLeftDown);
    b.host.calls.clear();
    b.At(12, 10);
    b.Record(0, 0, kRawLeftDown);
    EXPECT_EQ(b.host.Actions(), std::vector<std::string>{});
}

TEST(BoardModel, TheWheelChangesThePenColourEverywhereButRepaintsOnlyThePen) {
    Board b(BoardMode::Highlighter);
    b.At(300, 300);
    b.Record(0, 0, kRawWheel, 120);
    EXPECT_EQ(b.model.colourIndex, 4);
    EXPECT_EQ(b.host.calls.back(), "refresh 280,280,320,320");
    Board s(BoardMode::Spotlight);
    s.Record(0, 0, kRawWheel, -120);
    EXPECT_EQ(s.model.colourIndex, 1);
    EXPECT_TRUE(s.host.Actions().empty());
}

TEST(BoardModel, RectangleSelectionCopiesOnRelease) {
    Board b(BoardMode::Rectangle);
    b.Drag({{300, 200}, {200, 150}, {100, 100}});
    EXPECT_EQ(b.model.selBounds, (BoardRect{100, 100, 301, 201}));
    EXPECT_EQ(b.host.Actions(), std::vector<std::string>({"refresh-all", "snap-clipboard"}));
    EXPECT_TRUE(b.model.Scene().darkenAroundRect);
    EXPECT_FALSE(b.model.Scene().dragging);
    EXPECT_EQ(b.model.SnapRect(1279, 800), (BoardRect{100, 100, 301, 201}));
    // The next drag clears the darkening while it runs.
    b.host.calls.clear();
    b.At(500, 300);
    b.Record(0, 0, kRawLeftDown);
    EXPECT_EQ(b.host.Actions(), std::vector<std::string>({"refresh-all"}));
    EXPECT_TRUE(b.model.Scene().dragging);
    // A click without a move: one pixel.
    b.Record(0, 0, kRawLeftUp);
    EXPECT_EQ(b.model.selBounds, (BoardRect{500, 300, 501, 301}));
    EXPECT_EQ(b.host.Actions().back(), "snap-clipboard");
}

// Moves handled late (the UI thread was busy) saw the cursor past the release: the rectangle still ends
// where the button came up.
TEST(BoardModel, RectangleEndsWhereTheButtonCameUp) {
    Board b(BoardMode::Rectangle);
    b.At(400, 200);
    b.Record(0, 0, kRawLeftDown);
    b.MoveTo(700, 500);
    b.At(500, 260);
    b.Record(0, 0, kRawLeftUp);
    EXPECT_EQ(b.model.selBounds, (BoardRect{400, 200, 501, 261}));
    EXPECT_EQ(b.host.Actions().back(), "snap-clipboard");
}

TEST(BoardModel, ASelectionOnTheMonitorsEdgeIsDarkenedAround) {
    Board b(BoardMode::Rectangle);
    b.Drag({{0, 300}, {200, 400}});
    EXPECT_EQ(b.model.selBounds, (BoardRect{0, 300, 201, 401}));
    EXPECT_TRUE(b.model.Scene().darkenAroundRect);
    Board top(BoardMode::Rectangle);
    top.Drag({{0, 0}, {0, 0}});
    EXPECT_TRUE(top.model.Scene().darkenAroundRect);
    // A fresh capture (the middle button) forgets it.
    top.Record(0, 0, kRawMiddleUp);
    EXPECT_FALSE(top.model.Scene().darkenAroundRect);
    EXPECT_EQ(top.model.selBounds, (BoardRect{0, 0, 1, 1})) << "the rectangle itself is kept";
}

TEST(BoardModel, AReleaseWithoutAPressOnTheBoardCopiesNothing) {
    Board b(BoardMode::Rectangle);
    b.model.selBounds = {10, 10, 50, 50};  // from an earlier activation
    b.At(30, 30);
    b.Record(0, 0, kRawLeftUp);
    EXPECT_TRUE(b.host.Actions().empty());
    EXPECT_FALSE(b.model.Scene().darkenAroundRect);
}

TEST(BoardModel, FreeFormOutlineClosesIntoASelection) {
    Board b(BoardMode::Freeform);
    b.Drag({{400, 200}, {500, 300}, {400, 400}, {300, 300}, {398, 202}});
    EXPECT_EQ(b.model.selOutline.size(), 5u);
    EXPECT_EQ(b.model.selBounds, (BoardRect{300, 200, 501, 401}));
    EXPECT_EQ(b.host.Actions(), std::vector<std::string>({"refresh-all", "snap-clipboard"}));
    const RowSpans& inside = b.model.OutlineInside();
    EXPECT_TRUE(inside.Inside(400, 300));
    EXPECT_FALSE(inside.Inside(305, 205));
    EXPECT_FALSE(inside.Inside(495, 395));
    ASSERT_NE(b.model.Scene().darkenAround, nullptr);
    // While dragging, each new point repaints only its segment.
    Board d(BoardMode::Freeform);
    d.At(10, 10);
    d.Record(0, 0, kRawLeftDown);
    d.host.calls.clear();
    d.MoveTo(30, 12);
    EXPECT_EQ(d.host.calls, std::vector<std::string>({"cursor", "refresh 7,7,34,16"}));
    // A click: no area, so no darkening, and the snap is one (transparent) pixel.
    Board c(BoardMode::Freeform);
    c.Drag({{50, 50}});
    EXPECT_EQ(c.model.selBounds, (BoardRect{50, 50, 51, 51}));
    EXPECT_EQ(c.model.Scene().darkenAround, nullptr);
}

TEST(BoardModel, SavesAndClearsOnlyWhereTheModeHasThem) {
    struct Row {
        BoardMode mode;
        unsigned flags;
        std::vector<std::string> actions;
    } rows[] = {
        {BoardMode::Highlighter, kRawRightUp, {"snap-file"}},
        {BoardMode::Highlighter, kRawButton5Up, {"snap-file"}},
        {BoardMode::Highlighter, kRawMiddleUp, {"recapture"}},
        {BoardMode::Freeform, kRawRightUp, {"snap-file"}},
        {BoardMode::Rectangle, kRawButton5Up, {"snap-file"}},
        {BoardMode::Rectangle, kRawMiddleUp, {"recapture"}},
        {BoardMode::Spotlight, kRawRightUp, {}},
        {BoardMode::Spotlight, kRawButton5Up, {}},
        {BoardMode::Spotlight, kRawMiddleUp, {}},
        {BoardMode::Highlighter, kRawRightDown | kRawMiddleDown | kRawButton5Down | kRawButton4Up, {}},
    };
    for (const Row& row : rows) {
        Board b(row.mode);
        b.Record(0, 0, row.flags);
        EXPECT_EQ(b.host.Actions(), row.actions) << "mode " << int(row.mode) << " flags " << row.flags;
    }
    Board s(BoardMode::Spotlight);
    s.MoveTo(640, 400);
    EXPECT_EQ(s.host.Actions(), std::vector<std::string>({"spotlight 640,400"}));
}

TEST(BoardModel, ToggleAndTheResetsOfCaptureAndClose) {
    BoardModel m;
    EXPECT_EQ(m.DecideToggle(BoardMode(1)), BoardModel::Toggle::Open);
    EXPECT_EQ(m.DecideToggle(BoardMode(4)), BoardModel::Toggle::Open);
    EXPECT_EQ(m.DecideToggle(BoardMode(0)), BoardModel::Toggle::Nothing);
    EXPECT_EQ(m.DecideToggle(BoardMode(5)), BoardModel::Toggle::Nothing);
    m.mode = BoardMode::Spotlight;
    EXPECT_EQ(m.DecideToggle(BoardMode(1)), BoardModel::Toggle::Close) << "any function closes an open board";
    EXPECT_EQ(m.DecideToggle(BoardMode(4)), BoardModel::Toggle::Close);

    Board b(BoardMode::Highlighter);
    b.At(10, 10);
    b.Record(0, 0, kRawLeftDown);
    b.MoveTo(40, 10);
    b.model.OnClose();
    EXPECT_EQ(b.model.mode, BoardMode::Off);
    EXPECT_EQ(b.model.dragState, 0) << "a drag cut short by closing";
    // Opened again, the first press is fresh: a dot where it is, no line from the old drag.
    b.model.mode = BoardMode::Highlighter;
    b.model.OnCapture();
    b.host.calls.clear();
    b.At(300, 300);
    b.Record(0, 0, kRawLeftDown);
    EXPECT_EQ(b.host.Actions(), std::vector<std::string>({"stroke 300,300 300,300"}));

    BoardModel c;
    c.selStart = {5, 6};
    c.selLast = {7, 8};
    c.selOutline = {{1, 1}, {2, 2}, {3, 1}};
    c.selBounds = {1, 1, 4, 3};
    c.selectionMade = true;
    c.OnCapture();
    EXPECT_EQ(c.selStart, BoardPoint{});
    EXPECT_EQ(c.selLast, BoardPoint{});
    EXPECT_TRUE(c.selOutline.empty());
    EXPECT_EQ(c.selBounds, (BoardRect{1, 1, 4, 3}));
    EXPECT_EQ(c.screenCaptured, 1);
    EXPECT_FALSE(c.selectionMade);
}

TEST(BoardModel, PenCursorIsLeftOutOfTheFrameWhileSnapping) {
    Board b(BoardMode::Highlighter);
    b.MoveTo(20, 20);
    EXPECT_TRUE(b.model.Scene().penCursor);
    b.model.snapActive = 1;
    EXPECT_FALSE(b.model.Scene().penCursor);
    Board r(BoardMode::Rectangle);
    r.MoveTo(20, 20);
    EXPECT_FALSE(r.model.Scene().penCursor);
}

TEST(BoardModel, OnlyAnOpenOrOpeningBoardTellsWhyItFailed) {
    BoardModel m;
    using Failure = BoardModel::Failure;
    using Tip = BoardModel::FailureTip;
    for (Failure failure : {Failure::OutOfMemory, Failure::NoScreen, Failure::Other}) {
        EXPECT_EQ(m.DecideFailureTip(failure), Tip::None) << "nothing was shown: nothing to tell";
    }
    for (BoardMode mode : {BoardMode::Highlighter, BoardMode::Freeform, BoardMode::Rectangle, BoardMode::Spotlight}) {
        m.mode = mode;
        EXPECT_EQ(m.DecideFailureTip(Failure::OutOfMemory), Tip::OutOfMemory) << "mode " << int(mode);
        EXPECT_EQ(m.DecideFailureTip(Failure::NoScreen), Tip::NoScreen) << "mode " << int(mode);
        EXPECT_EQ(m.DecideFailureTip(Failure::Other), Tip::Error) << "mode " << int(mode);
    }
}

// A snap or a stroke that runs out of memory leaves the record half taken apart; the board closes, and the
// next opening must start from nothing of it: no drag going on, no snap under way (which would keep the pen
// out of the frame), no outline or darkening of the lost selection.
TEST(BoardModel, AnOperationThatFailedHalfWayLeavesNothingForTheNextOpening) {
    for (BoardMode mode : {BoardMode::Highlighter, BoardMode::Freeform, BoardMode::Rectangle}) {
        Board b(mode);
        b.host.snapsFail = true;
        b.At(100, 100);
        b.Record(0, 0, kRawLeftDown);
        b.MoveTo(140, 130);
        b.MoveTo(100, 160);
        b.At(90, 150);
        const unsigned snap = mode == BoardMode::Highlighter ? kRawRightUp : kRawLeftUp;
        EXPECT_THROW(b.Record(0, 0, snap), std::bad_alloc) << "mode " << int(mode);
        EXPECT_EQ(b.model.DecideFailureTip(BoardModel::Failure::OutOfMemory), BoardModel::FailureTip::OutOfMemory);
        b.model.OnClose();
        EXPECT_EQ(b.model.DecideFailureTip(BoardModel::Failure::OutOfMemory), BoardModel::FailureTip::None)
            << "closed, it tells nothing more";

        b.host.snapsFail = false;
        b.model.mode = mode;
        b.model.OnCapture();
        EXPECT_EQ(b.model.snapActive, 0) << "mode " << int(mode);
        EXPECT_TRUE(b.model.selOutline.empty()) << "mode " << int(mode);
        const BoardScene scene = b.model.Scene();
        EXPECT_FALSE(scene.dragging) << "mode " << int(mode);
        EXPECT_FALSE(scene.darkenAroundRect) << "mode " << int(mode);
        EXPECT_EQ(scene.darkenAround, nullptr) << "mode " << int(mode);
        b.host.calls.clear();
        b.MoveTo(300, 300);
        if (mode == BoardMode::Highlighter) {
            EXPECT_TRUE(b.model.Scene().penCursor) << "the pen is shown again";
        }
        EXPECT_EQ(b.host.Actions(), std::vector<std::string>()) << "a move without a press draws nothing";
        b.Drag({{300, 300}, {320, 310}});
        const std::vector<std::string> drawn =
            mode == BoardMode::Highlighter
                ? std::vector<std::string>{"stroke 300,300 300,300", "stroke 300,300 320,310"}
                : std::vector<std::string>{"refresh-all", "snap-clipboard"};
        EXPECT_EQ(b.host.Actions(), drawn) << "mode " << int(mode);
    }

    // A stroke that fails in the middle of a drag: opened again, the first press is a dot where it is.
    Board h(BoardMode::Highlighter);
    h.host.strokesFail = true;
    h.At(10, 10);
    EXPECT_THROW(h.Record(0, 0, kRawLeftDown), std::bad_alloc);
    h.model.OnClose();
    h.host.strokesFail = false;
    h.model.mode = BoardMode::Highlighter;
    h.model.OnCapture();
    h.host.calls.clear();
    h.At(200, 50);
    h.Record(0, 0, kRawLeftDown);
    EXPECT_EQ(h.host.Actions(), std::vector<std::string>({"stroke 200,50 200,50"}));
}

}  // namespace

TEST(BoardMode, OnlyTheFourFunctionsOpenTheBoardAndTheirKindsAreApart) {
    EXPECT_FALSE(IsOpenableBoardMode(BoardMode::Off));
    EXPECT_FALSE(IsOpenableBoardMode(BoardMode(5)));
    EXPECT_FALSE(IsOpenableBoardMode(BoardMode(-1)));
    for (BoardMode mode : {BoardMode::Highlighter, BoardMode::Freeform, BoardMode::Rectangle, BoardMode::Spotlight}) {
        EXPECT_TRUE(IsOpenableBoardMode(mode)) << int(mode);
    }
    EXPECT_TRUE(BoardModeSnaps(BoardMode::Highlighter));
    EXPECT_TRUE(BoardModeSnaps(BoardMode::Freeform));
    EXPECT_TRUE(BoardModeSnaps(BoardMode::Rectangle));
    EXPECT_FALSE(BoardModeSnaps(BoardMode::Spotlight));
    EXPECT_FALSE(BoardModeSnaps(BoardMode::Off));
    EXPECT_FALSE(BoardModeSelects(BoardMode::Highlighter));
    EXPECT_TRUE(BoardModeSelects(BoardMode::Freeform));
    EXPECT_TRUE(BoardModeSelects(BoardMode::Rectangle));
    EXPECT_FALSE(BoardModeSelects(BoardMode::Spotlight));
    // The traces and the functions' numbers: highlighter 1, snap #2 2, snap #1 3, spotlight 4.
    EXPECT_EQ(int(BoardMode::Highlighter), 1);
    EXPECT_EQ(int(BoardMode::Freeform), 2);
    EXPECT_EQ(int(BoardMode::Rectangle), 3);
    EXPECT_EQ(int(BoardMode::Spotlight), 4);
}
