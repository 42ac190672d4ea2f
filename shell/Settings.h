#pragma once
// The settings store: the button mapping survives restarts as eleven REG_DWORD values under
// HKEY_CURRENT_USER\"SOFTWARE\ZU A Mouse". Loaded once at start-up, written as a whole on every change;
// every save also configures every connected mouse. Main thread only.
#include "shell/Catalogue.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The registry key as the store uses it. Each read and each write opens the key with full access and
// closes it again; the store never creates the key.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    // Opens the key with full access; false when it is missing or not openable.
    virtual bool Open() = 0;
    // Reads a value of any type into `buffer`. On entry `size` is the buffer's length in bytes; on
    // success it is the value's length. Fails (buffer contents then undefined) when the value is missing
    // or longer than the buffer.
    virtual bool QueryValue(const std::wstring& name, unsigned char* buffer, std::uint32_t& size) = 0;
    // Sets a REG_DWORD of 4 bytes.
    virtual bool SetDword(const std::wstring& name, std::uint32_t value) = 0;
    virtual void Close() = 0;
};

constexpr int kSettingValueCount = 11;
// The value names in load and save order: "order", "extra key", the four gestures, "bt0" .. "bt4".
extern const wchar_t* const kSettingValueNames[kSettingValueCount];

// DeviceMode bits: the side button reports something other than its default assignment.
constexpr int kDeviceModeBt3Reassigned = 0x10;
constexpr int kDeviceModeBt4Reassigned = 0x08;

// 0 when the key cannot be opened, the value is missing, longer than 4 bytes, or negative. A shorter
// value of any type is its raw bytes over a zeroed 4-byte buffer, little-endian.
std::int32_t ReadSettingValue(SettingsBackend& backend, const std::wstring& name);

// Writes a REG_DWORD. False when the key cannot be opened (it is not created) or the write failed.
bool WriteSettingValue(SettingsBackend& backend, const std::wstring& name, std::int32_t value);

// 0x10 when bt3 is neither -1 nor ForwardPosition, plus 0x08 when bt4 is neither -1 nor BackwardPosition.
int ComputeDeviceMode(const FunctionCatalogueModel& catalogue, int bt3, int bt4);

// Reads all eleven values into `slots` (a missing value loads as 0, not as its default), computes
// `deviceMode` from the raw bt3 and bt4, then sets bt0..bt4 and the gestures outside the catalogue to 0.
// "order" and "extra key" stay as read.
void LoadSettings(SettingsBackend& backend, const FunctionCatalogueModel& catalogue, ButtonSlots& slots,
                  std::atomic<int>& deviceMode);

// Writes all eleven slots in order, recomputes `deviceMode`, then calls `configureMice`, which hands the
// configuration to every connected mouse and returns without waiting for them.
void SaveSettings(SettingsBackend& backend, const FunctionCatalogueModel& catalogue, const ButtonSlots& slots,
                  std::atomic<int>& deviceMode, const std::function<void()>& configureMice);
