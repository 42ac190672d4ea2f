// Which raw-input registrations a part of the program may remove: RIDEV_REMOVE drops a usage for the whole
// process, whichever window registered it.
#include "input/RawInputRules.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uintptr_t kMain = 0x10, kSwitcher = 0x20, kOther = 0x30;
constexpr std::uint32_t kInputSink = 0x100;

// The settings window's entries: the mouse and the vendor collections.
std::vector<RawDeviceEntry> MainWindowEntries() {
    std::vector<RawDeviceEntry> entries = {{kGenericDesktopPage, kMouseUsage, kInputSink, kMain}};
    for (std::uint16_t page : {0xFF12, 0xFF29, 0xFF31, 0xFF18}) entries.push_back({page, 1, kInputSink, kMain});
    return entries;
}

TEST(RawInputRules, TheSwitcherRemovesOnlyItsOwnKeyboardSink) {
    std::vector<RawDeviceEntry> entries = MainWindowEntries();
    EXPECT_FALSE(MayRemoveRegistration(entries, kGenericDesktopPage, kKeyboardUsage, kSwitcher))
        << "no keyboard registered: nothing to remove";
    entries.push_back({kGenericDesktopPage, kKeyboardUsage, kInputSink, kSwitcher});
    EXPECT_TRUE(MayRemoveRegistration(entries, kGenericDesktopPage, kKeyboardUsage, kSwitcher));
    // Someone else took the keyboard for another window since: removing it would take its keys away.
    entries.back().target = kOther;
    EXPECT_FALSE(MayRemoveRegistration(entries, kGenericDesktopPage, kKeyboardUsage, kSwitcher));
    // Nor does the switcher's window let it remove what goes to the settings window.
    EXPECT_FALSE(MayRemoveRegistration(entries, kGenericDesktopPage, kMouseUsage, kSwitcher));
    EXPECT_TRUE(MayRemoveRegistration(entries, kGenericDesktopPage, kMouseUsage, kMain));
    EXPECT_FALSE(MayRemoveRegistration(entries, 0xFF12, 1, kSwitcher));
    // A registration for the focus window (no target) belongs to no window of ours.
    entries.back().target = 0;
    EXPECT_FALSE(MayRemoveRegistration(entries, kGenericDesktopPage, kKeyboardUsage, 0));
}

}  // namespace
