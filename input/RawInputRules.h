#pragma once
// The process's raw-input registrations as the program reads them back. The system keeps one registration
// per usage page and usage for the whole process, whichever window it names.
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
