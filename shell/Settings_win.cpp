#include "shell/Settings_win.h"

const wchar_t kSettingsKeyPath[] = L"SOFTWARE\\ZU A Mouse";

bool RegistrySettingsBackend::Open() {
    Close();
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) {
        return false;
    }
    key.Reset(opened);
    return true;
}

bool RegistrySettingsBackend::QueryValue(const std::wstring& name, unsigned char* buffer,
                                         std::uint32_t& size) {
    if (!key) return false;
    // Any type is accepted: a short value of another type is read as its raw bytes.
    DWORD length = size;
    LONG result = RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, buffer, &length);
    size = length;
    return result == ERROR_SUCCESS;
}

bool RegistrySettingsBackend::SetDword(const std::wstring& name, std::uint32_t value) {
    if (!key) return false;
    DWORD data = value;
    return RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

void RegistrySettingsBackend::Close() { key.Reset(); }

void EnsureSettingsKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &key, &disposition) != ERROR_SUCCESS) {
            key = nullptr;
        }
    }
    UniqueRegKey opened(key);  // only its existence was wanted
}

bool DeleteSettingsKey() {
    // RegDeleteKeyW refuses a key with subkeys; the whole tree must go.
    LONG result = RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}
