#include "shell/Settings.h"

const wchar_t* const kSettingValueNames[kSettingValueCount] = {
    L"order",         L"extra key", L"gesture up", L"gesture down", L"gesture left", L"gesture right",
    L"bt0",           L"bt1",       L"bt2",        L"bt3",          L"bt4",
};

namespace {

// The slots in the order of kSettingValueNames.
std::array<int*, kSettingValueCount> SlotsInOrder(ButtonSlots& slots) {
    return {&slots.ButtonOrder,         &slots.ExtraKeyFunction,    &slots.GestureFunctions[0],
            &slots.GestureFunctions[1], &slots.GestureFunctions[2], &slots.GestureFunctions[3],
            &slots.ButtonFunctions[0],  &slots.ButtonFunctions[1],  &slots.ButtonFunctions[2],
            &slots.ButtonFunctions[3],  &slots.ButtonFunctions[4]};
}

}  // namespace

std::int32_t ReadSettingValue(SettingsBackend& backend, const std::wstring& name) {
    if (!backend.Open()) return 0;
    unsigned char buffer[4] = {0, 0, 0, 0};
    std::uint32_t size = sizeof buffer;
    bool read = backend.QueryValue(name, buffer, size);
    backend.Close();
    // A backend that claims more than the buffer holds has not given a usable value.
    if (!read || size > sizeof buffer) return 0;
    std::uint32_t raw = std::uint32_t(buffer[0]) | std::uint32_t(buffer[1]) << 8 | std::uint32_t(buffer[2]) << 16 |
                        std::uint32_t(buffer[3]) << 24;
    if (raw & 0x80000000u) return 0;
    return std::int32_t(raw);
}

bool WriteSettingValue(SettingsBackend& backend, const std::wstring& name, std::int32_t value) {
    if (!backend.Open()) return false;
    bool written = backend.SetDword(name, std::uint32_t(value));
    backend.Close();
    return written;
}

int ComputeDeviceMode(const FunctionCatalogueModel& catalogue, int bt3, int bt4) {
    int mode = 0;
    if (bt3 != -1 && bt3 != catalogue.ForwardPosition) mode |= kDeviceModeBt3Reassigned;
    if (bt4 != -1 && bt4 != catalogue.BackwardPosition) mode |= kDeviceModeBt4Reassigned;
    return mode;
}

void LoadSettings(SettingsBackend& backend, const FunctionCatalogueModel& catalogue, ButtonSlots& slots,
                  std::atomic<int>& deviceMode) {
    std::array<int*, kSettingValueCount> targets = SlotsInOrder(slots);
    for (int i = 0; i < kSettingValueCount; ++i) *targets[i] = ReadSettingValue(backend, kSettingValueNames[i]);

    // The flags follow the raw values: a stored bt3 of 500 still tells the mouse bt3 is reassigned.
    deviceMode = ComputeDeviceMode(catalogue, slots.ButtonFunctions[3], slots.ButtonFunctions[4]);

    for (int& function : slots.ButtonFunctions) {
        if (!catalogue.IsValid(function)) function = 0;
    }
    for (int& function : slots.GestureFunctions) {
        if (!catalogue.IsValid(function)) function = 0;
    }
}

void SaveSettings(SettingsBackend& backend, const FunctionCatalogueModel& catalogue, const ButtonSlots& slots,
                  std::atomic<int>& deviceMode, const std::function<void()>& configureMice) {
    ButtonSlots written = slots;
    std::array<int*, kSettingValueCount> values = SlotsInOrder(written);
    for (int i = 0; i < kSettingValueCount; ++i) WriteSettingValue(backend, kSettingValueNames[i], *values[i]);
    deviceMode = ComputeDeviceMode(catalogue, slots.ButtonFunctions[3], slots.ButtonFunctions[4]);
    if (configureMice) configureMice();
}
