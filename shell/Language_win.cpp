#include "shell/Language_win.h"

#include <windows.h>

#include <vector>

std::wstring PrivateProfileReader::ReadString(const std::wstring& section, const std::wstring& key,
                                       const std::wstring& defaultValue, std::size_t bufferUnits) {
    if (bufferUnits == 0) return std::wstring();
    std::vector<wchar_t> buffer(bufferUnits, L'\0');
    DWORD copied = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                            DWORD(bufferUnits), path.c_str());
    // The reader writes at most bufferUnits - 1 units and a terminator.
    if (copied >= bufferUnits) copied = DWORD(bufferUnits - 1);
    return std::wstring(buffer.data(), copied);
}
