#include "shell/Catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<std::wstring> Names(const std::vector<_ZuItemListDB>& entries) {
    std::vector<std::wstring> names;
    for (const _ZuItemListDB& e : entries) names.push_back(e.name);
    return names;
}

std::vector<int> Indices(const std::vector<_ZuItemListDB>& entries) {
    std::vector<int> indices;
    for (const _ZuItemListDB& e : entries) indices.push_back(e.index);
    return indices;
}

int PositionOf(const FunctionCatalogueModel& c, const std::wstring& name) {
    for (int i = 0; i < c.Size(); ++i) {
        if (c.entries[std::size_t(i)].name == name) return i;
    }
    return -1;
}

TEST(ShellCatalogue, VersionVerdict) {
    EXPECT_FALSE(IsVersion62OrLater(true, 5, 1));
    EXPECT_FALSE(IsVersion62OrLater(true, 6, 0));
    EXPECT_FALSE(IsVersion62OrLater(true, 6, 1));
    EXPECT_TRUE(IsVersion62OrLater(true, 6, 2));
    EXPECT_TRUE(IsVersion62OrLater(true, 6, 3));
    EXPECT_TRUE(IsVersion62OrLater(true, 10, 0));
    EXPECT_TRUE(IsVersion62OrLater(true, 7, 0));
    // A failed query counts as an older system, whatever the fields say.
    EXPECT_FALSE(IsVersion62OrLater(false, 10, 0));
}

TEST(ShellCatalogue, OlderSystemHasAllThirtyOneEntries) {
    DisplayTexts texts;
    FunctionCatalogueModel c = BuildCatalogue(false, texts);
    ASSERT_EQ(c.Size(), 31);
    EXPECT_EQ(c.ForwardPosition, 15);
    EXPECT_EQ(c.BackwardPosition, 14);
    EXPECT_EQ(c.entries[15].name, L"Forward");
    EXPECT_EQ(c.entries[14].name, L"Backward");
    EXPECT_EQ(PositionOf(c, L"Email reader"), 8);
    EXPECT_EQ(PositionOf(c, L"Web browser"), 9);
    EXPECT_EQ(PositionOf(c, L"Media Player"), 25);
    EXPECT_EQ(PositionOf(c, L"Spotlight"), 30);

    // The key actions carry their codes: an extended scan code keeps 0xE0 in the high byte.
    EXPECT_EQ(c.entries[11].modifiers, kModLeftCtrl);
    EXPECT_EQ(c.entries[11].key, 0x58);
    EXPECT_EQ(c.entries[17].action, kActionScanCode);
    EXPECT_EQ(c.entries[17].key, 0xE051);
}

TEST(ShellCatalogue, NewerSystemLeavesOutThreeEntries) {
    DisplayTexts texts;
    FunctionCatalogueModel c = BuildCatalogue(true, texts);
    ASSERT_EQ(c.Size(), 28);
    EXPECT_EQ(c.ForwardPosition, 13);
    EXPECT_EQ(c.BackwardPosition, 12);
    EXPECT_EQ(c.entries[13].name, L"Forward");
    EXPECT_EQ(c.entries[12].name, L"Backward");
    EXPECT_EQ(PositionOf(c, L"Email reader"), -1);
    EXPECT_EQ(PositionOf(c, L"Web browser"), -1);
    EXPECT_EQ(PositionOf(c, L"Media Player"), -1);
    EXPECT_EQ(c.entries[8].name, L"Function key");
    EXPECT_EQ(c.entries[27].name, L"Spotlight");
    EXPECT_EQ(c.entries[27].action, kActionSpotlight);

    EXPECT_EQ(Names(GroupMembers(c, 20)), std::vector<std::wstring>{L"Calculator"});
    std::vector<std::wstring> media = Names(GroupMembers(c, 50));
    EXPECT_EQ(media.size(), 6u);
    EXPECT_EQ(std::find(media.begin(), media.end(), L"Media Player"), media.end());
}

TEST(ShellCatalogue, GroupsAndTopLevel) {
    DisplayTexts texts;
    FunctionCatalogueModel c = BuildCatalogue(false, texts);
    std::vector<_ZuItemListDB> top = GroupMembers(c, 0);
    EXPECT_EQ(Names(top), (std::vector<std::wstring>{L"No function", L"System", L"Application", L"Function key",
                                                     L"Multimedia", L"Presenter"}));
    EXPECT_EQ(Indices(top), (std::vector<int>{0, 1, 6, 10, 18, 26}));
    for (std::size_t i = 1; i < top.size(); ++i) {
        EXPECT_EQ(top[i].kind, kKindGroup);
        EXPECT_EQ(top[i].action, kActionGroup);
    }

    std::vector<_ZuItemListDB> keys = GroupMembers(c, 30);
    EXPECT_EQ(Names(keys), (std::vector<std::wstring>{L"Cut", L"Copy", L"Paste", L"Backward", L"Forward",
                                                      L"Page Up", L"Page Down"}));
    EXPECT_EQ(Indices(keys), (std::vector<int>{11, 12, 13, 14, 15, 16, 17}));

    // Positions are remembered per system: the same group starts two places earlier without the three.
    FunctionCatalogueModel newer = BuildCatalogue(true, texts);
    EXPECT_EQ(Indices(GroupMembers(newer, 30)), (std::vector<int>{9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(Names(GroupMembers(c, 70)),
              (std::vector<std::wstring>{L"Highlighter", L"Screen snap #1", L"Screen snap #2", L"Spotlight"}));

    // A key that belongs to no header gives nothing; the catalogue itself leaves index unset.
    EXPECT_TRUE(GroupMembers(c, 99).empty());
    EXPECT_EQ(c.entries[15].index, 0);
}

TEST(ShellCatalogue, UnlistedTextsNeverAppearAndSpotlightKeepsItsText) {
    DisplayTexts texts;
    texts.functionNames[3] = L"renamed flip";
    texts.functionNames[31] = L"renamed touch";
    texts.functionNames[32] = L"renamed spotlight";
    for (bool newer : {false, true}) {
        FunctionCatalogueModel c = BuildCatalogue(newer, texts);
        for (const _ZuItemListDB& e : c.entries) {
            EXPECT_NE(e.name, L"renamed flip");
            EXPECT_NE(e.name, L"renamed touch");
            EXPECT_NE(e.name, L"Flip 3D (Aero)");
            EXPECT_NE(e.name, L"Simulate touch");
        }
        EXPECT_EQ(c.entries.back().name, L"renamed spotlight");
    }
}

TEST(ShellCatalogue, DefaultsAndSlotNames) {
    DisplayTexts texts;
    for (bool newer : {false, true}) {
        FunctionCatalogueModel c = BuildCatalogue(newer, texts);
        ButtonSlots slots;
        slots.ButtonFunctions = {7, 7, 7, 7, 7};
        slots.GestureFunctions = {7, 7, 7, 7};
        slots.ExtraKeyFunction = 7;
        slots.ButtonOrder = 4;
        SetSlotDefaults(c, slots);
        EXPECT_EQ(slots.ButtonFunctions, (std::array<int, 5>{0, 0, 0, c.ForwardPosition, c.BackwardPosition}));
        EXPECT_EQ(slots.GestureFunctions, (std::array<int, 4>{0, 0, 0, 0}));
        EXPECT_EQ(slots.ExtraKeyFunction, 0);
        EXPECT_EQ(slots.ButtonOrder, 4);  // not among the initial defaults
        EXPECT_EQ(SlotName(c, slots.ButtonFunctions[3]), L"Forward");
        EXPECT_EQ(SlotName(c, slots.ButtonFunctions[4]), L"Backward");
    }
    FunctionCatalogueModel c = BuildCatalogue(false, texts);
    EXPECT_EQ(SlotName(c, -1), L"No function");
    EXPECT_EQ(SlotName(c, 31), L"No function");
    EXPECT_EQ(SlotName(c, 30), L"Spotlight");
    EXPECT_EQ(SlotName(c, 1), L"System");
    EXPECT_EQ(CatalogueEntry(c, 31), nullptr);
    EXPECT_EQ(CatalogueEntry(c, -1), nullptr);
    ASSERT_NE(CatalogueEntry(c, 30), nullptr);
    EXPECT_EQ(CatalogueEntry(c, 30)->action, kActionSpotlight);
    // An empty name stays empty here; the marker shows "..." for it.
    texts.functionNames[16] = L"";
    EXPECT_EQ(SlotName(BuildCatalogue(false, texts), 15), L"");
}

TEST(ShellCatalogue, ResetToDefaults) {
    DisplayTexts texts;
    FunctionCatalogueModel c = BuildCatalogue(true, texts);
    ButtonSlots slots;
    slots.ButtonFunctions = {1, 2, 3, 4, 5};
    slots.GestureFunctions = {6, 7, 8, 9};
    slots.ExtraKeyFunction = 99;
    slots.ButtonOrder = 5;
    std::atomic<int> mode{0x18};
    ResetSlotsToDefaults(c, slots, mode);
    EXPECT_EQ(slots.ButtonFunctions, (std::array<int, 5>{0, 0, 0, 13, 12}));
    EXPECT_EQ(slots.GestureFunctions, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(slots.ExtraKeyFunction, 0);
    EXPECT_EQ(slots.ButtonOrder, 0);
    EXPECT_EQ(mode.load(), 0);

    // A default position outside the catalogue is not stored.
    FunctionCatalogueModel shortCatalogue = c;
    shortCatalogue.entries.resize(13);  // Forward (13) is gone, Backward (12) stays
    slots.ButtonFunctions = {1, 2, 3, 4, 5};
    ResetSlotsToDefaults(shortCatalogue, slots, mode);
    EXPECT_EQ(slots.ButtonFunctions[3], 0);
    EXPECT_EQ(slots.ButtonFunctions[4], 12);
}

TEST(ShellTexts, BuiltInTablesAndButtonOrders) {
    DisplayTexts t;
    EXPECT_EQ(t.buttonLabel, L"Default");
    EXPECT_EQ(t.tips[6].text, L"Default");
    EXPECT_EQ(t.tips[6].x, 550);
    EXPECT_EQ(t.tips[6].y, 115);

    using Order = std::array<std::wstring, 3>;
    EXPECT_EQ(t.buttonOrders[0], (Order{L"Middle", L"Left", L"Right"}));
    EXPECT_EQ(t.buttonOrders[1], (Order{L"Middle", L"Right", L"Left"}));
    EXPECT_EQ(t.buttonOrders[2], (Order{L"Right", L"Left", L"Middle"}));
    EXPECT_EQ(t.buttonOrders[3], (Order{L"Right", L"Middle", L"Left"}));
    EXPECT_EQ(t.buttonOrders[4], (Order{L"Left", L"Right", L"Middle"}));
    EXPECT_EQ(t.buttonOrders[5], (Order{L"Left", L"Middle", L"Right"}));

    t.messages[kMsgLeft] = L"L";
    t.messages[kMsgRight] = L"R";
    t.messages[kMsgMiddle] = L"M";
    t.messages[kMsgOrder] = L"never used in an order";
    RebuildButtonOrders(t);
    EXPECT_EQ(t.buttonOrders[0], (Order{L"M", L"L", L"R"}));
    EXPECT_EQ(t.buttonOrders[3], (Order{L"R", L"M", L"L"}));
    EXPECT_EQ(t.buttonOrders[4], (Order{L"L", L"R", L"M"}));
}

}  // namespace
