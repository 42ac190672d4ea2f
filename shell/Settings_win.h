#pragma once
// The settings store's registry key: HKEY_CURRENT_USER\"SOFTWARE\ZU A Mouse".
#include "shell/Settings.h"
#include "toolkit/Handle_win.h"

#include <windows.h>

extern const wchar_t kSettingsKeyPath[];  // "SOFTWARE\ZU A Mouse" under HKEY_CURRENT_USER

// Opens the key with KEY_ALL_ACCESS for each read or write and closes it again; never creates it.
class RegistrySettingsBackend : public SettingsBackend {
public:
    RegistrySettingsBackend() = default;
    RegistrySettingsBackend(const RegistrySettingsBackend&) = delete;
    RegistrySettingsBackend& operator=(const RegistrySettingsBackend&) = delete;
    ~RegistrySettingsBackend() override = default;

    bool Open() override;
    bool QueryValue(const std::wstring& name, unsigned char* buffer, std::uint32_t& size) override;
    bool SetDword(const std::wstring& name, std::uint32_t value) override;
    void Close() override;

private:
    UniqueRegKey key;
};

// Start-up: opens the key with full access; when that fails, creates it (non-volatile, KEY_READ |
// KEY_WRITE) and closes it. A failure to create is not reported: the store then works on defaults.
void EnsureSettingsKey();

// "/reset": deletes the key with everything below it. True when it is gone (or was never there).
bool DeleteSettingsKey();
