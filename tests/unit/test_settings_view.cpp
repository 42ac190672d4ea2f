#include "mainwindow/SettingsFilter.h"
#include "mainwindow/SettingsLayout.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// 10 pixels a character, one 22-pixel line; a text marked with '|' wraps to two lines.
class FakeMeasurer : public TextMeasurer {
public:
    std::map<std::wstring, int> calls;
    PointF Measure(const std::wstring& text) override {
        ++calls[text];
        const bool twoLines = text.find(L'|') != std::wstring::npos;
        return PointF{float(10 * text.size()), twoLines ? 44.0f : 22.0f};
    }
};

FunctionCatalogueModel Catalogue() { return BuildCatalogue(true, DisplayTexts()); }

ButtonSlots DefaultSlots(const FunctionCatalogueModel& c) {
    ButtonSlots slots;
    SetSlotDefaults(c, slots);
    return slots;
}

TEST(SettingsLayout, MarkersStandBesideTheirLeaderLinesAndReadTheirFunctions) {
    FunctionCatalogueModel c = Catalogue();
    FakeMeasurer measure;
    SettingsLayout layout = ComputeSettingsLayout(c, DefaultSlots(c), measure);

    const MarkerLayout& bt3 = layout.markers[0];
    const MarkerLayout& bt4 = layout.markers[1];
    EXPECT_EQ(bt3.slot, 3);
    EXPECT_EQ(bt3.text, L"Forward");
    EXPECT_EQ(bt4.text, L"Backward");
    // Anchors: half a line of slot 3's text above the lines' ends at y 269 and 252.
    EXPECT_FLOAT_EQ(bt3.anchor.y, 258);
    EXPECT_FLOAT_EQ(bt4.anchor.y, 241);
    // bt3's label ends 24 pixels left of its anchor (288), bt4's starts 24 right of its anchor (375).
    EXPECT_FLOAT_EQ(bt3.x0, 288 - (70 + 24));
    EXPECT_FLOAT_EQ(bt4.x0, 375 + 24);
    EXPECT_FLOAT_EQ(bt3.top, 258 + 14 - 11);
    EXPECT_EQ(layout.slotRects[3], (PixelRect{194, 261, 194 + 2 + 70 + 22, 261 + 1 + 22}));
    EXPECT_EQ(layout.slotRects[4], (PixelRect{399, 244, 399 + 2 + 80 + 22, 244 + 1 + 22}));
    for (int s = 0; s < 3; ++s) EXPECT_TRUE(layout.slotRects[std::size_t(s)].Empty()) << "slot " << s;

    // The box frames text and square; the square is right of the text; the arrow points down inside it.
    EXPECT_FLOAT_EQ(bt4.box.x, 398);
    EXPECT_FLOAT_EQ(bt4.box.width, 80 + 22 + 5);
    EXPECT_FLOAT_EQ(bt4.box.height, 22 + 4);
    EXPECT_FLOAT_EQ(bt4.square.x, 399 + 2 + 80);
    EXPECT_FLOAT_EQ(bt4.square.width, 22);
    EXPECT_FLOAT_EQ(bt4.arrowTip.x, bt4.square.x + 11);
    EXPECT_GT(bt4.arrowTip.y, bt4.arrowEnd.y);  // the cap is at the lower end: a downward triangle
    EXPECT_FLOAT_EQ(bt4.arrowTip.y, bt4.square.y + 22 - 6);
    EXPECT_FLOAT_EQ(bt4.arrowPenWidth, 5);

    EXPECT_EQ(layout.defaultButtonRect, (PixelRect{500, 50, 600, 82}));
    EXPECT_EQ(layout.captionButtonRects[0], (PixelRect{598, 14, 618, 34}));
    EXPECT_EQ(layout.captionButtonRects[1], (PixelRect{626, 14, 646, 34}));
}

TEST(SettingsLayout, OddNumbersAndNamesAndSlot3sLineHeight) {
    FunctionCatalogueModel c = Catalogue();
    c.entries[5].name = L"";
    c.entries[6].name = L"Two|lines";
    FakeMeasurer measure;
    ButtonSlots slots = DefaultSlots(c);

    slots.ButtonFunctions[3] = 28;  // outside the 28-entry catalogue
    slots.ButtonFunctions[4] = 5;   // an empty name
    SettingsLayout layout = ComputeSettingsLayout(c, slots, measure);
    EXPECT_EQ(layout.markers[0].text, L"No function");
    EXPECT_EQ(layout.markers[1].text, L"...");
    // The line height is measured from the text that is drawn, the fallback included.
    EXPECT_GT(measure.calls[L"No function"], 0);

    // A taller slot-3 text lifts both anchors.
    slots.ButtonFunctions[3] = 6;
    layout = ComputeSettingsLayout(c, slots, measure);
    EXPECT_FLOAT_EQ(layout.markers[0].anchor.y, 269 - 22);
    EXPECT_FLOAT_EQ(layout.markers[1].anchor.y, 252 - 22);
    // A renamed function widens its marker and moves its hit rectangle with it.
    c.entries[13].name = L"Go forward a page";
    layout = ComputeSettingsLayout(c, DefaultSlots(c), measure);
    EXPECT_EQ(layout.markers[0].text, L"Go forward a page");
    EXPECT_EQ(layout.slotRects[3].right - layout.slotRects[3].left, 2 + 170 + 22);
    EXPECT_EQ(layout.slotRects[3].left, 288 - 24 - 170);
}

TEST(SettingsLayout, LeaderLinesPointAtTheSideButtons) {
    const LeaderLine& bt3 = LeaderLineOf(3);
    const LeaderLine& bt4 = LeaderLineOf(4);
    EXPECT_FLOAT_EQ(bt3.shadow[0].from.x, 342);
    EXPECT_FLOAT_EQ(bt3.shadow[0].from.y, 284);
    EXPECT_FLOAT_EQ(bt3.light[0].from.y, 283);
    EXPECT_FLOAT_EQ(bt4.shadow[0].from.x, 365);
    EXPECT_FLOAT_EQ(bt4.shadow[0].from.y, 239);
    EXPECT_FLOAT_EQ(bt4.light[2].to.x, 389);
    EXPECT_FLOAT_EQ(bt4.light[2].to.y, 252);
    for (const LeaderLine* line : {&bt3, &bt4}) {
        EXPECT_TRUE(line->shadow[0].arrowStart);
        EXPECT_FLOAT_EQ(line->shadow[0].width, 6);
        EXPECT_FALSE(line->light[1].arrowStart);
        EXPECT_FLOAT_EQ(line->light[2].width, 4);
    }
}

// ------------------------------------------------------------------------------------------ the filter

SettingsHitAreas PaintedHits() {
    FunctionCatalogueModel c = Catalogue();
    FakeMeasurer measure;
    SettingsLayout layout = ComputeSettingsLayout(c, DefaultSlots(c), measure);
    return SettingsHitAreas{layout.slotRects, layout.defaultButtonRect, layout.captionButtonRects};
}

// bt3's marker is (194, 261)-(288, 284); bt4's (399, 244)-(503, 267).
constexpr int kBt3X = 230, kBt3Y = 270, kBt4X = 450, kBt4Y = 250;

ViewMessage Msg(ViewMessageKind kind, int x = 0, int y = 0, MessageTarget target = MessageTarget::SettingsWindow) {
    ViewMessage m;
    m.kind = kind;
    m.x = x;
    m.y = y;
    m.target = target;
    m.pickerExists = true;
    return m;
}

ViewEffect E(ViewEffectKind kind) { return ViewEffect{kind}; }
ViewEffect TipAt(int tip, int x, int y, int ms) {
    ViewEffect e{ViewEffectKind::ShowTip};
    e.tip = tip;
    e.x = x;
    e.y = y;
    e.durationMs = ms;
    return e;
}
ViewEffect Hide(int immediate) {
    ViewEffect e{ViewEffectKind::HideTip};
    e.immediate = immediate;
    return e;
}
ViewEffect Open(int slot, int x, int y) {
    ViewEffect e{ViewEffectKind::OpenPicker};
    e.slot = slot;
    e.x = x;
    e.y = y;
    return e;
}

struct Step {
    const char* what;
    ViewMessage message;
    std::vector<ViewEffect> effects;
    bool consumed;
};

void Feed(SettingsViewState& state, const std::vector<Step>& steps, int catalogueSize = 28) {
    SettingsHitAreas hits = PaintedHits();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        FilterResult r = FilterSettingsMessage(state, hits, step.message, catalogueSize);
        EXPECT_EQ(r.effects, step.effects);
        EXPECT_EQ(r.consumed, step.consumed);
    }
}

TEST(SettingsFilter, HoveringShowsTipsAndTheHandWithoutFlickerBetweenMarkers) {
    SettingsViewState s;
    Feed(s, {
        {"onto bt3", Msg(ViewMessageKind::MouseMove, kBt3X, kBt3Y),
         {E(ViewEffectKind::Invalidate), TipAt(kMarkerTip, (194 + 288) / 2, 284 + 30, 3000)}, false},
        {"within bt3: nothing new", Msg(ViewMessageKind::MouseMove, kBt3X + 5, kBt3Y), {}, false},
        {"straight to bt4: a new tip, no hide in between", Msg(ViewMessageKind::MouseMove, kBt4X, kBt4Y),
         {E(ViewEffectKind::Invalidate), TipAt(kMarkerTip, (399 + 503) / 2, 267 + 30, 3000)}, false},
    });
    EXPECT_EQ(s.HoverSlot, 4);
    EXPECT_TRUE(ShowsHandCursor(s));
    Feed(s, {
        {"off the markers", Msg(ViewMessageKind::MouseMove, 100, 400), {E(ViewEffectKind::Invalidate), Hide(0)}, false},
        {"onto Default", Msg(ViewMessageKind::MouseMove, 510, 60),
         {E(ViewEffectKind::Invalidate), TipAt(kDefaultTip, 550, 115, 3000)}, false},
        {"onto Close", Msg(ViewMessageKind::MouseMove, 630, 20),
         {E(ViewEffectKind::Invalidate), Hide(0), E(ViewEffectKind::Invalidate), TipAt(5, 634, -14, 1200)}, false},
        {"onto Minimize", Msg(ViewMessageKind::MouseMove, 600, 20),
         {E(ViewEffectKind::Invalidate), TipAt(4, 606, -14, 1200)}, false},
        {"off everything", Msg(ViewMessageKind::MouseMove, 100, 400), {E(ViewEffectKind::Invalidate), Hide(0)}, false},
    });
    EXPECT_FALSE(ShowsHandCursor(s));
}

TEST(SettingsFilter, NothingCanBeHitBeforeTheFirstPaintOrThroughAnotherWindow) {
    SettingsViewState s;
    SettingsHitAreas none;
    FilterResult r = FilterSettingsMessage(s, none, Msg(ViewMessageKind::MouseMove, kBt3X, kBt3Y), 28);
    EXPECT_TRUE(r.effects.empty());
    r = FilterSettingsMessage(s, none, Msg(ViewMessageKind::LeftDown, 510, 60), 28);
    EXPECT_EQ(r.effects.size(), 1u);  // a drag: nothing else is there yet
    EXPECT_EQ(r.effects[0].kind, ViewEffectKind::Drag);
    // A move over the picker at coordinates that would be a marker's here is not a hover.
    Feed(s, {{"over the picker", Msg(ViewMessageKind::MouseMove, kBt3X, kBt3Y, MessageTarget::Picker), {}, false}});
    EXPECT_EQ(s.HoverSlot, -1);
}

TEST(SettingsFilter, MarkerOpensThePickerAndItsChoiceIsAssigned) {
    SettingsViewState s;
    ViewMessage onBt3 = Msg(ViewMessageKind::MouseMove, kBt3X, kBt3Y);
    ViewMessage press = Msg(ViewMessageKind::LeftDown, kBt3X, kBt3Y);
    ViewMessage pressWhileOpen = press;
    pressWhileOpen.pickerVisible = true;
    ViewMessage subListClick = Msg(ViewMessageKind::LeftDown, 20, 20, MessageTarget::PickerChain);
    subListClick.pickerVisible = true;
    ViewMessage chosen = Msg(ViewMessageKind::FunctionChosen);
    chosen.function = 10;
    chosen.pickerMode = 0;
    chosen.pickerVisible = true;
    chosen.pickerShownMode = 0;
    ViewEffect assign{ViewEffectKind::AssignAndSave};
    assign.slot = 3;
    assign.function = 10;
    Feed(s, {
        {"hover", onBt3, {E(ViewEffectKind::Invalidate), TipAt(kMarkerTip, 241, 314, 3000)}, false},
        {"press: picker at (left + 40, bottom + 4)", press, {Open(3, 234, 288), Hide(0)}, false},
        {"press again while it is open: reopened in the same place", pressWhileOpen,
         {E(ViewEffectKind::HidePicker), E(ViewEffectKind::Invalidate), Open(3, 234, 288), Hide(0)}, false},
        {"a click on a sub-list keeps the slot", subListClick, {}, false},
        {"the choice", chosen, {E(ViewEffectKind::HidePicker), assign, E(ViewEffectKind::Invalidate)}, true},
    });
    EXPECT_EQ(s.EditSlot, -1);
}

TEST(SettingsFilter, ChoicesThatAreNotAssigned) {
    SettingsViewState s;
    s.EditSlot = 4;
    ViewMessage outside = Msg(ViewMessageKind::FunctionChosen);
    outside.function = 28;  // not a catalogue position
    outside.pickerVisible = true;
    outside.pickerShownMode = 0;
    ViewMessage buttonPicker = Msg(ViewMessageKind::FunctionChosen);
    buttonPicker.function = 10;
    buttonPicker.pickerMode = 1;
    buttonPicker.pickerVisible = true;
    buttonPicker.pickerShownMode = 1;
    ViewEffect run{ViewEffectKind::RunFunction};
    run.function = 10;
    ViewMessage unknownMode = buttonPicker;
    unknownMode.pickerMode = 7;
    Feed(s, {
        {"outside the catalogue: saved as it is", outside,
         {E(ViewEffectKind::HidePicker), E(ViewEffectKind::Save), E(ViewEffectKind::Invalidate)}, true},
        {"a button's picker runs its choice", buttonPicker, {E(ViewEffectKind::HidePicker), run}, true},
        {"a mode no list has: nothing, the list stays", unknownMode, {}, true},
    });
}

// The choice's message number is no secret: only the list on screen, posting to the settings window, is heard.
// A thread message, one to another window of the program (the list itself, a sub-list) or one that comes while
// no list is shown runs nothing, assigns nothing and hides nothing.
TEST(SettingsFilter, AChoiceCountsOnlyFromTheShownListToTheSettingsWindow) {
    for (int mode : {1, 0}) {
        SCOPED_TRACE(mode == 1 ? "a button's list" : "the settings view's list");
        SettingsViewState s;
        s.EditSlot = mode == 0 ? 3 : -1;
        ViewMessage shown = Msg(ViewMessageKind::FunctionChosen);
        shown.function = 10;
        shown.pickerMode = mode;
        shown.pickerVisible = true;
        ViewMessage toTheList = shown;
        toTheList.target = MessageTarget::Picker;
        ViewMessage toASubList = shown;
        toASubList.target = MessageTarget::PickerChain;
        ViewMessage threadMessage = shown;
        threadMessage.target = MessageTarget::Elsewhere;
        ViewMessage noListShown = shown;
        noListShown.pickerVisible = false;
        Feed(s, {
            {"to the list's own window", toTheList, {}, true},
            {"to a sub-list", toASubList, {}, true},
            {"as a thread message", threadMessage, {}, true},
            {"to the settings window with no list shown", noListShown, {}, true},
        });
        EXPECT_EQ(s.EditSlot, mode == 0 ? 3 : -1);
    }

    // The other kind of list on screen: a run claimed while the settings view's list is open, an assignment
    // while a button's list is open.
    SettingsViewState s;
    s.EditSlot = 4;
    ViewMessage runWhileEditing = Msg(ViewMessageKind::FunctionChosen);
    runWhileEditing.function = 10;
    runWhileEditing.pickerMode = 1;
    runWhileEditing.pickerVisible = true;
    runWhileEditing.pickerShownMode = 0;
    ViewMessage assignWhileRunning = runWhileEditing;
    assignWhileRunning.pickerMode = 0;
    assignWhileRunning.pickerShownMode = 1;
    Feed(s, {
        {"a run while the settings view's list is shown", runWhileEditing, {}, true},
        {"an assignment while a button's list is shown", assignWhileRunning, {}, true},
    });
    EXPECT_EQ(s.EditSlot, 4);

    // The shown list's own choice, to the settings window, still counts.
    ViewMessage real = runWhileEditing;
    real.pickerShownMode = 1;
    ViewEffect run{ViewEffectKind::RunFunction};
    run.function = 10;
    Feed(s, {{"the button's list's choice", real, {E(ViewEffectKind::HidePicker), run}, true}});
}

TEST(SettingsFilter, EscapeClosesThePickerNeverTheWindow) {
    SettingsViewState s;
    s.EditSlot = 3;
    ViewMessage escape = Msg(ViewMessageKind::KeyDown);
    escape.key = kEscapeKey;
    ViewMessage escapeWithPicker = escape;
    escapeWithPicker.pickerVisible = true;
    Feed(s, {
        {"picker shown", escapeWithPicker, {E(ViewEffectKind::HidePicker), E(ViewEffectKind::Invalidate)}, false},
        {"no picker", escape, {}, false},
    });
    EXPECT_EQ(s.EditSlot, -1);
    // The picker found hidden by a move (closed by its watch) ends the editing too.
    s.EditSlot = 4;
    Feed(s, {{"move after the watch closed it", Msg(ViewMessageKind::MouseMove, 100, 400),
             {E(ViewEffectKind::Invalidate)}, false}});
    EXPECT_EQ(s.EditSlot, -1);
}

TEST(SettingsFilter, DefaultResetsOnlyOnPressAndReleaseInside) {
    SettingsViewState s;
    Feed(s, {
        {"onto Default", Msg(ViewMessageKind::MouseMove, 510, 60),
         {E(ViewEffectKind::Invalidate), TipAt(kDefaultTip, 550, 115, 3000)}, false},
        {"press", Msg(ViewMessageKind::LeftDown, 510, 60), {E(ViewEffectKind::Invalidate)}, false},
        {"off it", Msg(ViewMessageKind::MouseMove, 100, 400), {E(ViewEffectKind::Invalidate), Hide(0)}, false},
        {"released elsewhere: nothing", Msg(ViewMessageKind::LeftUp, 100, 400), {}, false},
        {"back", Msg(ViewMessageKind::MouseMove, 510, 60),
         {E(ViewEffectKind::Invalidate), TipAt(kDefaultTip, 550, 115, 3000)}, false},
        {"released there without a press: nothing", Msg(ViewMessageKind::LeftUp, 511, 61), {}, false},
        {"press", Msg(ViewMessageKind::LeftDown, 510, 60), {E(ViewEffectKind::Invalidate)}, false},
        {"release inside: reset", Msg(ViewMessageKind::LeftUp, 590, 80), {E(ViewEffectKind::ResetDefaults)}, false},
    });
    EXPECT_EQ(s.PressedDefault, -1);
}

TEST(SettingsFilter, CloseMinimizeAndTheDrag) {
    SettingsViewState s;
    ViewEffect hideWindow{ViewEffectKind::HideWindow};
    hideWindow.durationMs = 300;
    ViewEffect drag{ViewEffectKind::Drag};
    drag.x = 300;
    drag.y = 200;
    Feed(s, {
        {"an empty spot, the photograph: drag", Msg(ViewMessageKind::LeftDown, 300, 200), {drag}, false},
        {"right button on an empty spot: no drag", Msg(ViewMessageKind::RightDown, 300, 200), {}, false},
        {"middle button neither", Msg(ViewMessageKind::MiddleDown, 300, 200), {}, false},
        {"a press on another window: no drag", Msg(ViewMessageKind::LeftDown, 300, 200, MessageTarget::Elsewhere),
         {}, false},
        {"onto Close", Msg(ViewMessageKind::MouseMove, 630, 20),
         {E(ViewEffectKind::Invalidate), TipAt(5, 634, -14, 1200)}, false},
        {"Close hides, the tip goes at once", Msg(ViewMessageKind::LeftDown, 630, 20), {hideWindow, Hide(1)}, false},
        {"onto Minimize", Msg(ViewMessageKind::MouseMove, 600, 20),
         {E(ViewEffectKind::Invalidate), TipAt(4, 606, -14, 1200)}, false},
        {"the right button minimises too", Msg(ViewMessageKind::RightDown, 600, 20),
         {E(ViewEffectKind::Minimize), Hide(1)}, false},
        {"WM_PRINT is swallowed", Msg(ViewMessageKind::Print), {}, true},
        {"other messages pass", Msg(ViewMessageKind::Other), {}, false},
    });
}

TEST(SettingsFilter, ARightClickOnAMarkerOpensItsPickerAndAClickOutsideClosesIt) {
    SettingsViewState s;
    ViewMessage outside = Msg(ViewMessageKind::LeftDown, 100, 400);
    outside.pickerVisible = true;
    Feed(s, {
        {"hover bt4", Msg(ViewMessageKind::MouseMove, kBt4X, kBt4Y),
         {E(ViewEffectKind::Invalidate), TipAt(kMarkerTip, 451, 297, 3000)}, false},
        {"right click", Msg(ViewMessageKind::RightDown, kBt4X, kBt4Y), {Open(4, 439, 271), Hide(0)}, false},
    });
    EXPECT_EQ(s.EditSlot, 4);
    ViewMessage moveOff = Msg(ViewMessageKind::MouseMove, 100, 400);
    moveOff.pickerVisible = true;
    ViewEffect drag{ViewEffectKind::Drag};
    drag.x = 100;
    drag.y = 400;
    Feed(s, {
        {"off the marker while the picker is open: no tip", moveOff, {E(ViewEffectKind::Invalidate), Hide(0)}, false},
        {"a click outside", outside, {E(ViewEffectKind::HidePicker), E(ViewEffectKind::Invalidate), drag}, false},
    });
    EXPECT_EQ(s.EditSlot, -1);
}

}  // namespace

// ------------------------------------------------------------------------------------------ other DPIs

// The fake measurer's text at a scale: the label font is `factor` times larger, and so is every text.
class ScaledMeasurer : public TextMeasurer {
public:
    explicit ScaledMeasurer(float factor) : factor_(factor) {}
    PointF Measure(const std::wstring& text) override {
        const bool twoLines = text.find(L'|') != std::wstring::npos;
        return PointF{factor_ * float(10 * text.size()), factor_ * (twoLines ? 44.0f : 22.0f)};
    }

private:
    float factor_;
};

SettingsLayout LayoutAt(int dpi, const FunctionCatalogueModel& c, const ButtonSlots& slots) {
    const DisplayScale scale = DisplayScale::FromDpi(dpi);
    ScaledMeasurer measure(scale.Factor());
    return ComputeSettingsLayout(c, slots, measure, scale);
}

void ExpectSameLine(const LeaderLine& a, const LeaderLine& b) {
    for (std::size_t i = 0; i < 3; ++i) {
        for (const auto& pair : {std::make_pair(&a.shadow[i], &b.shadow[i]), std::make_pair(&a.light[i], &b.light[i])}) {
            EXPECT_FLOAT_EQ(pair.first->from.x, pair.second->from.x);
            EXPECT_FLOAT_EQ(pair.first->from.y, pair.second->from.y);
            EXPECT_FLOAT_EQ(pair.first->to.x, pair.second->to.x);
            EXPECT_FLOAT_EQ(pair.first->to.y, pair.second->to.y);
            EXPECT_FLOAT_EQ(pair.first->width, pair.second->width);
            EXPECT_EQ(pair.first->arrowStart, pair.second->arrowStart);
        }
    }
}

TEST(SettingsLayoutDpi, At96EverythingIsWhereItAlwaysWas) {
    FunctionCatalogueModel c = Catalogue();
    FakeMeasurer measure;
    const SettingsLayout plain = ComputeSettingsLayout(c, DefaultSlots(c), measure);
    const SettingsLayout at96 = ComputeSettingsLayout(c, DefaultSlots(c), measure, DisplayScale::FromDpi(96));
    EXPECT_EQ(plain.slotRects, at96.slotRects);
    EXPECT_EQ(at96.slotRects[3], (PixelRect{194, 261, 288, 284}));
    EXPECT_EQ(at96.defaultButtonRect, (PixelRect{500, 50, 600, 82}));
    EXPECT_EQ(at96.photoRect, (PixelRect{70, 90, 570, 455}));
    EXPECT_FLOAT_EQ(at96.labelFontPixels, 18);
    EXPECT_FLOAT_EQ(at96.defaultFontPixels, 15);
    EXPECT_FLOAT_EQ(at96.hairline, 1);
    ExpectSameLine(at96.leaders[0], LeaderLineOf(3));
    ExpectSameLine(at96.leaders[1], LeaderLineOf(4));
    // Minimize's bar at y 24, Close's cross from (630, 18) to (642, 30).
    EXPECT_FLOAT_EQ(at96.captionStrokes[0].from.x, 602);
    EXPECT_FLOAT_EQ(at96.captionStrokes[0].from.y, 24);
    EXPECT_FLOAT_EQ(at96.captionStrokes[0].to.x, 614);
    EXPECT_FLOAT_EQ(at96.captionStrokes[1].from.x, 630);
    EXPECT_FLOAT_EQ(at96.captionStrokes[1].from.y, 18);
    EXPECT_FLOAT_EQ(at96.captionStrokes[1].to.y, 30);
    EXPECT_FLOAT_EQ(at96.captionStrokes[2].from.x, 642);
    EXPECT_FLOAT_EQ(at96.captionStrokes[2].to.x, 630);
    EXPECT_EQ(SettingsWindowSize(DisplayScale{}), (PixelSize{670, 500}));
}

TEST(SettingsLayoutDpi, FixedPlacesScaleWithTheMonitor) {
    FunctionCatalogueModel c = Catalogue();
    struct Expected {
        int dpi;
        PixelSize window;
        PixelRect photo, defaultButton, minimize, close;
    };
    // 125 % rounds half away from zero: 670 * 1.25 = 837.5 -> 838; both caption boxes keep one size.
    const Expected table[] = {
        {120, {838, 625}, {88, 113, 88 + 625, 113 + 456}, {625, 63, 750, 103}, {748, 18, 773, 43}, {783, 18, 808, 43}},
        {144, {1005, 750}, {105, 135, 855, 683}, {750, 75, 900, 123}, {897, 21, 927, 51}, {939, 21, 969, 51}},
        {192, {1340, 1000}, {140, 180, 1140, 910}, {1000, 100, 1200, 164}, {1196, 28, 1236, 68}, {1252, 28, 1292, 68}},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.dpi);
        const SettingsLayout l = LayoutAt(e.dpi, c, DefaultSlots(c));
        EXPECT_EQ(SettingsWindowSize(DisplayScale::FromDpi(e.dpi)), e.window);
        EXPECT_EQ(l.photoRect, e.photo);
        EXPECT_EQ(l.defaultButtonRect, e.defaultButton);
        EXPECT_EQ(l.captionButtonRects[0], e.minimize);
        EXPECT_EQ(l.captionButtonRects[1], e.close);
        EXPECT_EQ(CaptionButtonRect(1, DisplayScale::FromDpi(e.dpi)), e.close);
        const float f = DisplayScale::FromDpi(e.dpi).Factor();
        EXPECT_FLOAT_EQ(l.labelFontPixels, 18 * f);
        EXPECT_FLOAT_EQ(l.defaultFontPixels, 15 * f);
        EXPECT_FLOAT_EQ(l.hairline, f);
        // The caption glyphs stay inside their boxes.
        for (const CaptionStroke& s : l.captionStrokes) {
            const PixelRect& box = l.captionButtonRects[std::size_t(s.button)];
            for (PointF p : {s.from, s.to}) {
                EXPECT_TRUE(box.Contains(int(p.x), int(p.y))) << p.x << "," << p.y;
            }
        }
    }
}

TEST(SettingsLayoutDpi, LeaderLinesStillStartAtTheSideButtonsOfTheScaledPhotograph) {
    const LeaderLine bt3 = LeaderLineOf(3, DisplayScale::FromDpi(192));
    EXPECT_FLOAT_EQ(bt3.shadow[0].from.x, 684);
    EXPECT_FLOAT_EQ(bt3.shadow[0].from.y, 568);
    EXPECT_FLOAT_EQ(bt3.light[0].from.y, 566);  // the light line two pixels above its shadow at 200 %
    EXPECT_FLOAT_EQ(bt3.shadow[0].width, 12);
    EXPECT_FLOAT_EQ(bt3.shadow[1].width, 8);
    EXPECT_TRUE(bt3.shadow[0].arrowStart);
    const LeaderLine bt4 = LeaderLineOf(4, DisplayScale::FromDpi(144));
    EXPECT_FLOAT_EQ(bt4.light[2].to.x, 583.5f);
    EXPECT_FLOAT_EQ(bt4.light[2].to.y, 378);
    EXPECT_FLOAT_EQ(bt4.light[0].width, 9);
    // Relative to the photograph's corner the line starts where it does at 100 %.
    const SettingsLayout l96 = LayoutAt(96, Catalogue(), DefaultSlots(Catalogue()));
    const SettingsLayout l192 = LayoutAt(192, Catalogue(), DefaultSlots(Catalogue()));
    EXPECT_FLOAT_EQ(l192.leaders[0].shadow[0].from.x - float(l192.photoRect.left),
                    2 * (l96.leaders[0].shadow[0].from.x - float(l96.photoRect.left)));
}

TEST(SettingsLayoutDpi, MarkersAreMeasuredAtTheScaledFontAndKeepTheirShape) {
    FunctionCatalogueModel c = Catalogue();
    const SettingsLayout l96 = LayoutAt(96, c, DefaultSlots(c));
    // At 200 % every figure doubles exactly.
    const SettingsLayout l192 = LayoutAt(192, c, DefaultSlots(c));
    EXPECT_EQ(l192.slotRects[3], (PixelRect{388, 522, 576, 568}));
    EXPECT_EQ(l192.slotRects[4], (PixelRect{798, 488, 1006, 534}));
    EXPECT_FLOAT_EQ(l192.markers[1].box.width, 2 * l96.markers[1].box.width);
    EXPECT_FLOAT_EQ(l192.markers[1].arrowPenWidth, 10);
    EXPECT_FLOAT_EQ(l192.markers[0].textSize.x, 140);  // "Forward" at the 36-pixel font
    // At 125 % and 150 % within a pixel of the 100 % figure scaled.
    for (int dpi : {120, 144}) {
        SCOPED_TRACE(dpi);
        const DisplayScale s = DisplayScale::FromDpi(dpi);
        const SettingsLayout l = LayoutAt(dpi, c, DefaultSlots(c));
        for (int slot : {3, 4}) {
            const PixelRect& a = l96.slotRects[std::size_t(slot)];
            const PixelRect& b = l.slotRects[std::size_t(slot)];
            EXPECT_NEAR(b.left, a.left * s.Factor(), 1.0);
            EXPECT_NEAR(b.top, a.top * s.Factor(), 1.0);
            EXPECT_NEAR(b.right, a.right * s.Factor(), 1.0);
            EXPECT_NEAR(b.bottom, a.bottom * s.Factor(), 1.0);
        }
    }
}

TEST(SettingsLayoutDpi, EveryMarkersHitRectangleCoversItsTextAndSquare) {
    FunctionCatalogueModel c = Catalogue();
    c.entries[6].name = L"Two|lines";
    ButtonSlots slots = DefaultSlots(c);
    for (int dpi : {96, 120, 144, 168, 192, 240}) {
        for (int fn : {6, 13, 28}) {
            slots.ButtonFunctions[3] = fn;
            const SettingsLayout l = LayoutAt(dpi, c, slots);
            for (const MarkerLayout& m : l.markers) {
                SCOPED_TRACE(testing::Message() << "dpi " << dpi << " function " << fn << " slot " << m.slot);
                const PixelRect& hit = l.slotRects[std::size_t(m.slot)];
                EXPECT_EQ(hit, m.hitRect);
                EXPECT_LE(float(hit.left), m.textRect.x + 0.5f);
                EXPECT_LE(float(hit.top), m.textRect.y + 0.5f);
                EXPECT_GE(float(hit.right), m.square.x + m.square.width - 0.5f);
                EXPECT_GE(float(hit.bottom), m.square.y + m.square.height - 0.5f);
                EXPECT_GE(float(hit.bottom), m.textRect.y + m.textRect.height - 0.5f);
                // The box frames it all, and the arrow lies inside the square.
                EXPECT_LE(m.box.x, float(hit.left));
                EXPECT_GE(m.box.x + m.box.width, float(hit.right) - 0.5f);
                EXPECT_GT(m.arrowTip.y, m.arrowEnd.y);
                EXPECT_GT(m.arrowTip.y, m.square.y);
                EXPECT_LT(m.arrowTip.y, m.square.y + m.square.height);
            }
        }
    }
}

TEST(SettingsFilterDpi, TipsAndThePickerKeepTheirDistancesAtTheScale) {
    FunctionCatalogueModel c = Catalogue();
    const SettingsLayout l = LayoutAt(192, c, DefaultSlots(c));
    const SettingsHitAreas hits{l.slotRects, l.defaultButtonRect, l.captionButtonRects, l.scale};
    SettingsViewState s;
    auto feed = [&](ViewMessage m) { return FilterSettingsMessage(s, hits, m, 28).effects; };

    // bt3's marker at 200 % is (388, 522)-(576, 568): its tip 60 pixels below, the picker 80 right and 8 below.
    EXPECT_EQ(feed(Msg(ViewMessageKind::MouseMove, 450, 540)),
              (std::vector<ViewEffect>{E(ViewEffectKind::Invalidate), TipAt(kMarkerTip, 482, 628, 3000)}));
    EXPECT_EQ(feed(Msg(ViewMessageKind::LeftDown, 450, 540)),
              (std::vector<ViewEffect>{Open(3, 468, 576), Hide(0)}));
    s = SettingsViewState{};
    // Where the marker was at 100 % there is nothing now; the drag takes the press.
    EXPECT_EQ(feed(Msg(ViewMessageKind::MouseMove, kBt3X, kBt3Y)), std::vector<ViewEffect>{});
    // The Default button (1000, 100)-(1200, 164) and its tip at (1100, 230).
    EXPECT_EQ(feed(Msg(ViewMessageKind::MouseMove, 1100, 130)),
              (std::vector<ViewEffect>{E(ViewEffectKind::Invalidate), TipAt(kDefaultTip, 1100, 230, 3000)}));
    EXPECT_EQ(feed(Msg(ViewMessageKind::LeftDown, 1100, 130)), std::vector<ViewEffect>{E(ViewEffectKind::Invalidate)});
    EXPECT_EQ(feed(Msg(ViewMessageKind::LeftUp, 1100, 130)), std::vector<ViewEffect>{E(ViewEffectKind::ResetDefaults)});
    // Close (1252, 28)-(1292, 68): its tip 16 right of its left edge and 56 above its top.
    EXPECT_EQ(feed(Msg(ViewMessageKind::MouseMove, 1290, 60)),
              (std::vector<ViewEffect>{E(ViewEffectKind::Invalidate), Hide(0), E(ViewEffectKind::Invalidate),
                                       TipAt(kMinimizeTip + 1, 1268, -28, 1200)}));
    ViewEffect hide{ViewEffectKind::HideWindow};
    hide.durationMs = kForegroundAfterCloseMs;
    EXPECT_EQ(feed(Msg(ViewMessageKind::LeftDown, 1290, 60)), (std::vector<ViewEffect>{hide, Hide(1)}));
}
