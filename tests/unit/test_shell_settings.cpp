#include "shell/Settings.h"
#include "test_shell_fakes.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::wstring> kOrder = {L"order",         L"extra key", L"gesture up", L"gesture down",
                                          L"gesture left",  L"gesture right", L"bt0", L"bt1", L"bt2", L"bt3",
                                          L"bt4"};

class ShellSettings : public testing::Test {
protected:
    DisplayTexts texts;
    FunctionCatalogueModel older = BuildCatalogue(false, texts);
    FunctionCatalogueModel newer = BuildCatalogue(true, texts);
    FakeSettingsKey key;
    ButtonSlots slots;
    std::atomic<int> mode{-1};

    void SetUp() override { SetSlotDefaults(older, slots); }
};

TEST_F(ShellSettings, ReadingValuesOfEveryShape) {
    key.StoreDword(L"a", 17);
    EXPECT_EQ(ReadSettingValue(key, L"a"), 17);
    EXPECT_EQ(ReadSettingValue(key, L"missing"), 0);

    // Shorter values are their raw bytes over a zeroed buffer, little-endian.
    key.StoreBytes(L"one", {0x05});
    key.StoreBytes(L"two", {0x34, 0x12});
    key.StoreBytes(L"three", {0x01, 0x02, 0x03});
    key.StoreBytes(L"empty", {});
    EXPECT_EQ(ReadSettingValue(key, L"one"), 5);
    EXPECT_EQ(ReadSettingValue(key, L"two"), 0x1234);
    EXPECT_EQ(ReadSettingValue(key, L"three"), 0x030201);
    EXPECT_EQ(ReadSettingValue(key, L"empty"), 0);

    // Longer values cannot be read into the buffer, whatever they begin with.
    key.StoreBytes(L"eight", {0x07, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(ReadSettingValue(key, L"eight"), 0);

    key.StoreDword(L"negative", 0xFFFFFFFFu);
    key.StoreDword(L"top bit", 0x80000000u);
    key.StoreDword(L"largest", 0x7FFFFFFFu);
    EXPECT_EQ(ReadSettingValue(key, L"negative"), 0);
    EXPECT_EQ(ReadSettingValue(key, L"top bit"), 0);
    EXPECT_EQ(ReadSettingValue(key, L"largest"), 0x7FFFFFFF);

    // A failed query yields 0 whatever it left in the buffer.
    key.StoreDword(L"locked", 3);
    key.unreadable.push_back(L"locked");
    EXPECT_EQ(ReadSettingValue(key, L"locked"), 0);

    EXPECT_EQ(key.openCount, key.closeCount);
    EXPECT_FALSE(key.openNow);
}

TEST_F(ShellSettings, KeyThatCannotBeOpened) {
    key.StoreDword(L"bt0", 3);
    key.exists = false;
    EXPECT_EQ(ReadSettingValue(key, L"bt0"), 0);
    EXPECT_FALSE(WriteSettingValue(key, L"bt0", 5));
    EXPECT_TRUE(key.writeLog.empty());

    // Load then gives 0 everywhere, and the save is lost but the mice are still configured.
    LoadSettings(key, older, slots, mode);
    EXPECT_EQ(slots.ButtonFunctions, (std::array<int, 5>{0, 0, 0, 0, 0}));
    EXPECT_EQ(mode.load(), 0x18);
    int configured = 0;
    slots.ButtonFunctions[3] = older.ForwardPosition;
    SaveSettings(key, older, slots, mode, [&] { ++configured; });
    EXPECT_EQ(configured, 1);
    EXPECT_EQ(mode.load(), 0x08);
    EXPECT_TRUE(key.writeLog.empty());
}

TEST_F(ShellSettings, WriteReportsAFailedSet) {
    EXPECT_TRUE(WriteSettingValue(key, L"bt3", 9));
    EXPECT_EQ(key.Dword(L"bt3"), 9);
    key.failWrites = true;
    EXPECT_FALSE(WriteSettingValue(key, L"bt3", 10));
    EXPECT_EQ(key.Dword(L"bt3"), 9);
    EXPECT_FALSE(key.openNow);
}

TEST_F(ShellSettings, EmptyKeyLoadsEverythingAsZero) {
    slots.ButtonOrder = 3;
    LoadSettings(key, older, slots, mode);
    EXPECT_EQ(slots.ButtonFunctions, (std::array<int, 5>{0, 0, 0, 0, 0}));
    EXPECT_EQ(slots.GestureFunctions, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(slots.ExtraKeyFunction, 0);
    EXPECT_EQ(slots.ButtonOrder, 0);
    EXPECT_EQ(mode.load(), 0x18);
    EXPECT_EQ(SlotName(older, slots.ButtonFunctions[3]), L"No function");
    EXPECT_EQ(key.openCount, 11);
    EXPECT_EQ(key.closeCount, 11);
}

TEST_F(ShellSettings, FlagsComeFromTheRawValuesBeforeTheRangeCheck) {
    key.StoreDword(L"bt3", 500);
    key.StoreDword(L"bt4", 14);
    LoadSettings(key, older, slots, mode);
    EXPECT_EQ(mode.load(), 0x10);
    EXPECT_EQ(slots.ButtonFunctions[3], 0);
    EXPECT_EQ(slots.ButtonFunctions[4], 14);

    // The saved value is the corrected one, and the save's own flags follow it.
    SaveSettings(key, older, slots, mode, nullptr);
    EXPECT_EQ(key.Dword(L"bt3"), 0);
    EXPECT_EQ(mode.load(), 0x10);

    // With the defaults at position 0 the corrected value would clear the flags: only the raw values set them.
    FunctionCatalogueModel defaultsAtZero = older;
    defaultsAtZero.ForwardPosition = 0;
    defaultsAtZero.BackwardPosition = 0;
    key.StoreDword(L"bt3", 500);
    key.StoreDword(L"bt4", 31);
    LoadSettings(key, defaultsAtZero, slots, mode);
    EXPECT_EQ(mode.load(), 0x18);
    EXPECT_EQ(slots.ButtonFunctions[3], 0);
    EXPECT_EQ(slots.ButtonFunctions[4], 0);
    SaveSettings(key, defaultsAtZero, slots, mode, nullptr);
    EXPECT_EQ(mode.load(), 0);
}

TEST_F(ShellSettings, DefaultPositionsLeaveTheFlagsClearPerSystem) {
    key.StoreDword(L"bt3", 15);
    key.StoreDword(L"bt4", 14);
    LoadSettings(key, older, slots, mode);
    EXPECT_EQ(mode.load(), 0);
    EXPECT_EQ(slots.ButtonFunctions[3], 15);

    // The same stored numbers on a newer system point elsewhere and count as reassigned.
    LoadSettings(key, newer, slots, mode);
    EXPECT_EQ(mode.load(), 0x18);
    key.StoreDword(L"bt3", 13);
    key.StoreDword(L"bt4", 12);
    LoadSettings(key, newer, slots, mode);
    EXPECT_EQ(mode.load(), 0);
    EXPECT_EQ(SlotName(newer, slots.ButtonFunctions[3]), L"Forward");

    // -1 in memory means "nothing" and does not set a flag either.
    EXPECT_EQ(ComputeDeviceMode(older, -1, -1), 0);
    EXPECT_EQ(ComputeDeviceMode(older, -1, 0), 0x08);
    EXPECT_EQ(ComputeDeviceMode(older, 0, 14), 0x10);
}

TEST_F(ShellSettings, RangeCheckCoversButtonsAndGesturesOnly) {
    key.StoreDword(L"order", 77);
    key.StoreDword(L"extra key", 500);
    key.StoreDword(L"gesture up", 27);    // valid on the older system only
    key.StoreDword(L"gesture down", 28);  // one past the newer catalogue
    key.StoreDword(L"gesture left", 31);
    key.StoreDword(L"gesture right", 30);
    key.StoreDword(L"bt0", 31);
    key.StoreDword(L"bt1", 0xFFFFFFFFu);
    key.StoreDword(L"bt2", 1);
    LoadSettings(key, newer, slots, mode);
    EXPECT_EQ(slots.ButtonOrder, 77);
    EXPECT_EQ(slots.ExtraKeyFunction, 500);
    EXPECT_EQ(slots.GestureFunctions, (std::array<int, 4>{27, 0, 0, 0}));
    EXPECT_EQ(slots.ButtonFunctions[0], 0);
    EXPECT_EQ(slots.ButtonFunctions[1], 0);
    EXPECT_EQ(slots.ButtonFunctions[2], 1);

    LoadSettings(key, older, slots, mode);
    EXPECT_EQ(slots.GestureFunctions, (std::array<int, 4>{27, 28, 0, 30}));
}

TEST_F(ShellSettings, ShortAndLongValuesThroughTheLoad) {
    key.StoreBytes(L"bt3", {0x0F});                        // 15 in one byte
    key.StoreBytes(L"bt4", {0x0E, 0, 0, 0, 0, 0, 0, 0});   // 14 in eight bytes: unreadable
    key.StoreBytes(L"bt2", {0x02, 0x00, 0x00});
    LoadSettings(key, older, slots, mode);
    EXPECT_EQ(slots.ButtonFunctions[3], 15);
    EXPECT_EQ(slots.ButtonFunctions[4], 0);
    EXPECT_EQ(slots.ButtonFunctions[2], 2);
    EXPECT_EQ(mode.load(), 0x08);
}

TEST_F(ShellSettings, SaveWritesElevenDwordsInOrderAndConfiguresTheMice) {
    slots.ButtonOrder = 2;
    slots.ExtraKeyFunction = 900;
    slots.GestureFunctions = {1, 2, 3, 4};
    slots.ButtonFunctions = {5, 6, 7, 2, 14};
    int configured = 0;
    int modeSeenByMice = -1;
    SaveSettings(key, older, slots, mode, [&] {
        ++configured;
        modeSeenByMice = mode.load();
    });
    EXPECT_EQ(key.writeLog, kOrder);
    EXPECT_EQ(configured, 1);
    EXPECT_EQ(modeSeenByMice, 0x10);  // the new mode is in place before the mice are asked
    EXPECT_EQ(key.Dword(L"order"), 2);
    EXPECT_EQ(key.Dword(L"extra key"), 900);
    EXPECT_EQ(key.Dword(L"gesture right"), 4);
    EXPECT_EQ(key.Dword(L"bt3"), 2);
    EXPECT_EQ(key.Dword(L"bt4"), 14);

    auto first = key.values;
    SaveSettings(key, older, slots, mode, [&] { ++configured; });
    EXPECT_EQ(key.values, first);
    EXPECT_EQ(key.writeLog.size(), 22u);
    EXPECT_EQ(std::vector<std::wstring>(key.writeLog.begin() + 11, key.writeLog.end()), kOrder);
    EXPECT_EQ(configured, 2);
    EXPECT_FALSE(key.openNow);
}

TEST_F(ShellSettings, NegativeSlotsRoundTripAsZero) {
    slots.ButtonFunctions = {-1, 0, 0, -1, -1};
    SaveSettings(key, older, slots, mode, nullptr);
    EXPECT_EQ(mode.load(), 0);  // -1 counts as "not reassigned"
    EXPECT_EQ(key.Dword(L"bt3"), 0xFFFFFFFF);
    ButtonSlots loaded;
    LoadSettings(key, older, loaded, mode);
    EXPECT_EQ(loaded.ButtonFunctions[3], 0);  // negative reads as 0 ...
    EXPECT_EQ(mode.load(), 0x18);             // ... which differs from the defaults
}

TEST_F(ShellSettings, StartUpLoadThenSaveRewritesCorrectedValues) {
    key.StoreDword(L"bt3", 40);
    key.StoreDword(L"gesture up", 7);
    key.StoreDword(L"order", 9);
    LoadSettings(key, older, slots, mode);
    SaveSettings(key, older, slots, mode, nullptr);
    EXPECT_EQ(key.Dword(L"bt3"), 0);
    EXPECT_EQ(key.Dword(L"bt4"), 0);
    EXPECT_EQ(key.Dword(L"gesture up"), 7);
    EXPECT_EQ(key.Dword(L"order"), 9);
    EXPECT_EQ(mode.load(), 0x18);
}

}  // namespace
