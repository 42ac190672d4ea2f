#include "overlays/SnapFileName.h"

std::wstring SnapFolderPath(const std::wstring& desktop) {
    std::wstring folder = desktop;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder + kSnapFolder;
}

std::wstring FileNameSafe(const std::wstring& text) {
    std::wstring safe = text;
    for (wchar_t& c : safe) {
        if (c < 0x20 || c == 0x7F || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' ||
            c == L'"' || c == L'<' || c == L'>' || c == L'|') {
            c = L'_';
        }
    }
    return safe;
}

std::wstring SnapFilePath(const std::wstring& desktop, const std::wstring& date, const std::wstring& time,
                          const std::function<bool(const std::wstring&)>& taken) {
    if (desktop.empty()) return {};
    const std::wstring stem = SnapFolderPath(desktop) + L"\\screen_" + FileNameSafe(date) + L"_" + FileNameSafe(time);
    std::wstring path = stem + L".png";
    for (int number = 2; taken && taken(path); ++number) {
        if (number > kSnapMaxNumber) return {};
        path = stem + L" (" + std::to_wstring(number) + L").png";
    }
    return path;
}
