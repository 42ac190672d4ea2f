#include "input/Dispatcher.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

FunctionCatalogueModel Win10() { return BuildCatalogue(true, DisplayTexts()); }

int Position(const FunctionCatalogueModel& c, const wchar_t* name) {
    for (int i = 0; i < c.Size(); ++i) {
        if (c.entries[std::size_t(i)].name == name) return i;
    }
    return -1;
}

KeyEvent Scan(uint16_t scan, uint32_t flags) { return KeyEvent{0, scan, kKeyScanCode | flags}; }
KeyEvent Vk(uint16_t vk, uint32_t flags = 0) { return KeyEvent{vk, 0, flags}; }
std::vector<KeyEvent> All(const KeyEvents& k) { return std::vector<KeyEvent>(k.begin(), k.end()); }

TEST(Dispatcher, KeyStrokesOfTheCatalogue) {
    FunctionCatalogueModel c = Win10();
    DispatchContext none;
    // Copy: Ctrl down (scan), C down (virtual key), Ctrl up, C up; the release sends both ups again.
    DispatchDecision copy = DecideRun(c, Position(c, L"Copy"), none);
    EXPECT_EQ(copy.kind, DispatchKind::Keys);
    EXPECT_EQ(All(copy.keys), (std::vector<KeyEvent>{Scan(0x1D, 0), Vk(0x43), Scan(0x1D, kKeyUp), Vk(0x43, kKeyUp)}));
    EXPECT_EQ(All(DecideRelease(c, Position(c, L"Copy")).keys),
              (std::vector<KeyEvent>{Scan(0x1D, kKeyUp), Vk(0x43, kKeyUp)}));
    // Page Down: scan 0x51, extended, down then up.
    EXPECT_EQ(All(DecideRun(c, Position(c, L"Page Down"), none).keys),
              (std::vector<KeyEvent>{Scan(0x51, kKeyExtended), Scan(0x51, kKeyExtended | kKeyUp)}));
    // Start menu: right Windows (0xE05C, extended) with virtual key 0, which is sent too.
    EXPECT_EQ(All(DecideRun(c, Position(c, L"Start menu"), none).keys),
              (std::vector<KeyEvent>{Scan(0xE05C, kKeyExtended), Vk(0), Scan(0xE05C, kKeyExtended | kKeyUp),
                                     Vk(0, kKeyUp)}));
    EXPECT_EQ(All(DecideRun(c, Position(c, L"Volume +"), none).keys),
              (std::vector<KeyEvent>{Vk(0xAF), Vk(0xAF, kKeyUp)}));
}

TEST(Dispatcher, EveryModifierInBitOrder) {
    KeyEvents all = KeyComboEvents(0xFF, 0x41, true, false);
    EXPECT_EQ(All(all), (std::vector<KeyEvent>{Scan(0x1D, 0), Scan(0x2A, 0), Scan(0x38, 0), Scan(0xE05B, kKeyExtended),
                                                Scan(0xE01D, kKeyExtended), Scan(0x36, 0), Scan(0xE038, kKeyExtended),
                                                Scan(0xE05C, kKeyExtended), Vk(0x41)}));
    // A stroke of all eight modifiers is eighteen events, none lost.
    FunctionCatalogueModel c = Win10();
    c.entries[5].modifiers = 0xFF;
    EXPECT_EQ(DecideRun(c, 5, DispatchContext{}).keys.count, 18);
    // The scan-code form's low byte is the code; a non-zero high byte makes it extended; a release is all ups.
    EXPECT_EQ(All(KeyComboEvents(0x02, 0x0049, false, true)),
              (std::vector<KeyEvent>{Scan(0x2A, kKeyUp), Scan(0x49, kKeyUp)}));
}

TEST(Dispatcher, WhatEachKindOfEntryDoes) {
    FunctionCatalogueModel c = Win10();
    DispatchContext none;
    struct Case {
        const wchar_t* name;
        DispatchKind kind;
        int detail;  // group id or board mode
    };
    const Case cases[] = {
        {L"No function", DispatchKind::Nothing, 0},   {L"System", DispatchKind::OpenGroup, 10},
        {L"Function key", DispatchKind::OpenGroup, 30}, {L"Presenter", DispatchKind::OpenGroup, 70},
        {L"My computer", DispatchKind::MyComputer, 0}, {L"Show desktop", DispatchKind::ShowDesktop, 0},
        {L"Calculator", DispatchKind::Calculator, 0},  {L"Expose application", DispatchKind::StartOverview, 0},
        {L"Highlighter", DispatchKind::ToggleBoard, 1}, {L"Screen snap #1", DispatchKind::ToggleBoard, 3},
        {L"Screen snap #2", DispatchKind::ToggleBoard, 2}, {L"Spotlight", DispatchKind::ToggleBoard, 4},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.name, k.name + wcslen(k.name)));
        DispatchDecision d = DecideRun(c, Position(c, k.name), none);
        EXPECT_EQ(d.kind, k.kind);
        if (k.kind == DispatchKind::OpenGroup) {
            EXPECT_EQ(d.groupId, k.detail);
        }
        if (k.kind == DispatchKind::ToggleBoard) {
            EXPECT_EQ(int(d.boardMode), k.detail);
        }
        // Only key functions have a release.
        EXPECT_EQ(DecideRelease(c, Position(c, k.name)).kind, DispatchKind::Nothing);
    }
    for (int p : {-1, -100, c.Size(), c.Size() + 5}) {
        EXPECT_EQ(DecideRun(c, p, none).kind, DispatchKind::Nothing) << p;
        EXPECT_EQ(DecideRelease(c, p).kind, DispatchKind::Nothing) << p;
    }
}

TEST(Dispatcher, TheSwitcherStartsOnceAndNeverOverTheBoard) {
    FunctionCatalogueModel c = Win10();
    const int expose = Position(c, L"Expose application");
    EXPECT_EQ(DecideRun(c, expose, DispatchContext{true, false, false}).kind, DispatchKind::RaiseBoard);
    EXPECT_EQ(DecideRun(c, expose, DispatchContext{false, true, false}).kind, DispatchKind::Nothing);
    EXPECT_EQ(DecideRun(c, expose, DispatchContext{false, false, true}).kind, DispatchKind::Nothing);
    EXPECT_EQ(DecideRun(c, expose, DispatchContext{false, false, false}).kind, DispatchKind::StartOverview);
}

TEST(Dispatcher, AGroupHeaderOpensItsListWhateverItsAction) {
    FunctionCatalogueModel c = Win10();
    const int system = Position(c, L"System");
    c.entries[std::size_t(system)].action = kActionCalculator;
    EXPECT_EQ(DecideRun(c, system, DispatchContext{}).kind, DispatchKind::OpenGroup);
    // The release looks at the action only.
    c.entries[std::size_t(system)].action = kActionVirtualKey;
    EXPECT_EQ(DecideRelease(c, system).kind, DispatchKind::Keys);
}

TEST(Dispatcher, OnlyKeyStrokesOfAGroupChoiceWaitForTheirWindow) {
    FunctionCatalogueModel c = Win10();
    DispatchContext none;
    for (const wchar_t* keys : {L"Copy", L"Page Down", L"Start menu", L"Volume +"}) {
        SCOPED_TRACE(keys);
        EXPECT_TRUE(ChoiceWaitsForItsWindow(DecideRun(c, Position(c, keys), none)));
    }
    for (const wchar_t* other : {L"No function", L"Expose application", L"My computer", L"Show desktop",
                                 L"Calculator", L"Highlighter", L"Spotlight", L"Function key"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(ChoiceWaitsForItsWindow(DecideRun(c, Position(c, other), none)));
    }
    EXPECT_FALSE(ChoiceWaitsForItsWindow(DecideRun(c, c.Size(), none)));  // outside the catalogue: nothing
}

TEST(Dispatcher, GroupKeysGoOnceTheirWindowIsReadyOrAtTheBound) {
    EXPECT_EQ(DecideGroupKeys(true, 0), GroupKeysStep::SendWindowReady);
    EXPECT_EQ(DecideGroupKeys(false, 0), GroupKeysStep::Wait);
    EXPECT_EQ(DecideGroupKeys(false, kGroupKeysBoundMs - 1), GroupKeysStep::Wait);
    EXPECT_EQ(DecideGroupKeys(true, kGroupKeysBoundMs - 1), GroupKeysStep::SendWindowReady);
    EXPECT_EQ(DecideGroupKeys(false, kGroupKeysBoundMs), GroupKeysStep::SendAtBound);
    EXPECT_EQ(DecideGroupKeys(true, kGroupKeysBoundMs + 5000), GroupKeysStep::SendWindowReady);
    EXPECT_EQ(DecideGroupKeys(false, kGroupKeysBoundMs + 5000), GroupKeysStep::SendAtBound);
}

}  // namespace
