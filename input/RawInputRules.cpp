#include "input/RawInputRules.h"

bool MayRemoveRegistration(const std::vector<RawDeviceEntry>& registered, std::uint16_t usagePage,
                           std::uint16_t usage, std::uintptr_t target) {
    for (const RawDeviceEntry& entry : registered) {
        if (entry.usagePage == usagePage && entry.usage == usage) return target != 0 && entry.target == target;
    }
    return false;
}
