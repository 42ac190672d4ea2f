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
