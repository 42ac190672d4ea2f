#include "shell/Language.h"

#include <algorithm>

const wchar_t kNoLanguageString[] = L"@_NOSTR_";

std::wstring LanguageFilePath(const std::wstring& programDir) { return programDir + L"lang.ini"; }

namespace {

void ReplaceFromFile(ProfileReader& reader, const wchar_t* section, int number, std::wstring& text) {
    std::wstring key = L"str" + std::to_wstring(number);
    std::wstring value = reader.ReadString(section, key, kNoLanguageString, kLanguageBufferUnits);
    // The buffer holds a C string of at most 999 units: a value ends at its first NUL, and a reader that
    // hands back more is cut the same way.
    const std::size_t held = std::min(value.find(L'\0'), kLanguageBufferUnits - 1);
    if (value.size() > held) value.resize(held);
    // A cut there may leave the first half of a surrogate pair at the end, which is no character at all.
    if (value.size() == kLanguageBufferUnits - 1 && value.back() >= 0xD800 && value.back() <= 0xDBFF) {
        value.pop_back();
    }
    if (value != kNoLanguageString) text = value;
}

}  // namespace

void ApplyLanguageFile(ProfileReader& reader, DisplayTexts& texts) {
    ReplaceFromFile(reader, L"BUTTON", 0, texts.buttonLabel);
    for (int i = 0; i < kTipCount; ++i) ReplaceFromFile(reader, L"TIP", i, texts.tips[i].text);
    for (int i = 0; i < kMessageCount; ++i) ReplaceFromFile(reader, L"MSG", i, texts.messages[i]);
    for (int i = 0; i < kReplaceableFunctionTexts; ++i) {
        ReplaceFromFile(reader, L"FUNCTION", i, texts.functionNames[i]);
    }
    RebuildButtonOrders(texts);
}
