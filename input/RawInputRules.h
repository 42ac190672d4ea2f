#pragma once
// What the program may undo of its raw-input registrations. The system keeps one registration per usage page
// and usage for the whole process, whichever window it names, and RIDEV_REMOVE drops that one: a part of the
// program may remove only a registration that is still its own, or it would take the input from another.
#include <cstdint>
#include <vector>

struct RawDeviceEntry {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint32_t flags = 0;
    std::uintptr_t target = 0;  // the window the input goes to; 0 = the focus window
};

constexpr std::uint16_t kGenericDesktopPage = 0x0001;
constexpr std::uint16_t kKeyboardUsage = 0x0006;
constexpr std::uint16_t kMouseUsage = 0x0002;

// True when the process's registration of (usagePage, usage) is there and goes to `target`, so that removing
// it takes nothing from any other window.
bool MayRemoveRegistration(const std::vector<RawDeviceEntry>& registered, std::uint16_t usagePage,
                           std::uint16_t usage, std::uintptr_t target);
