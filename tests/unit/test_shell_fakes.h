#pragma once
// Stand-ins for the registry key and the INI reader, for the shell's tests.
#include "shell/Language.h"
#include "shell/Settings.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A registry key in memory: values are raw bytes of any length, as the registry allows.
class FakeSettingsKey : public SettingsBackend {
public:
    bool exists = true;
    std::map<std::wstring, std::vector<unsigned char>> values;
    std::vector<std::wstring> writeLog;  // names in the order they were written
    int openCount = 0;
    int closeCount = 0;
    bool openNow = false;
    bool failWrites = false;
    // Values whose query fails for another reason (access, a value deleted meanwhile): the buffer may
    // hold anything afterwards and the size is left as it was.
    std::vector<std::wstring> unreadable;

    void StoreDword(const std::wstring& name, std::uint32_t v) {
        values[name] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    }
    void StoreBytes(const std::wstring& name, std::vector<unsigned char> bytes) { values[name] = std::move(bytes); }
    std::int64_t Dword(const std::wstring& name) const {
        auto it = values.find(name);
        if (it == values.end() || it->second.size() != 4) return -1000000;  // marks "not a DWORD"
        const std::vector<unsigned char>& b = it->second;
        return std::int64_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                            std::uint32_t(b[3]) << 24);
    }

    bool Open() override {
        if (openNow) throw std::logic_error("key opened twice without closing");
        if (!exists) return false;
        ++openCount;
        openNow = true;
        return true;
    }
    bool QueryValue(const std::wstring& name, unsigned char* buffer, std::uint32_t& size) override {
        if (!openNow) throw std::logic_error("query on a closed key");
        for (const std::wstring& u : unreadable) {
            if (u == name) {
                std::memset(buffer, 0x11, size);
                return false;
            }
        }
        auto it = values.find(name);
        if (it == values.end()) return false;
        if (it->second.size() > size) {
            // The registry leaves the buffer undefined here; make that visible.
            std::memset(buffer, 0xAB, size);
            size = std::uint32_t(it->second.size());
            return false;
        }
        if (!it->second.empty()) std::memcpy(buffer, it->second.data(), it->second.size());
        size = std::uint32_t(it->second.size());
        return true;
    }
    bool SetDword(const std::wstring& name, std::uint32_t value) override {
        if (!openNow) throw std::logic_error("write on a closed key");
        writeLog.push_back(name);
        if (failWrites) return false;
        StoreDword(name, value);
        return true;
    }
    void Close() override {
        if (!openNow) throw std::logic_error("key closed twice");
        openNow = false;
        ++closeCount;
    }
};

// An INI file in memory, cut like GetPrivateProfileStringW: at most bufferUnits - 1 units come back.
class FakeProfile : public ProfileReader {
public:
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> entries;
    std::vector<std::wstring> readLog;  // "SECTION/key" in read order
    std::vector<std::size_t> bufferSizes;
    std::vector<std::wstring> defaults;
    bool cutToBuffer = true;

    void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
        entries[{section, key}] = value;
    }
    std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue,
                            std::size_t bufferUnits) override {
        readLog.push_back(section + L"/" + key);
        bufferSizes.push_back(bufferUnits);
        defaults.push_back(defaultValue);
        auto it = entries.find({section, key});
        std::wstring value = it == entries.end() ? defaultValue : it->second;
        if (cutToBuffer && bufferUnits > 0 && value.size() > bufferUnits - 1) value.resize(bufferUnits - 1);
        return value;
    }
};
