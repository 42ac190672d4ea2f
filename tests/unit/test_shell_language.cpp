#include "shell/Catalogue.h"
#include "shell/Language.h"
#include "test_shell_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(ShellLanguage, FilePathIsNextToTheProgram) {
    EXPECT_EQ(LanguageFilePath(L"C:\\Program Files\\Orvel\\"), L"C:\\Program Files\\Orvel\\lang.ini");
}

TEST(ShellLanguage, KeysAreReadInOrderWithTheMarkerDefault) {
    FakeProfile file;
    DisplayTexts texts;
    ApplyLanguageFile(file, texts);

    std::vector<std::wstring> expected = {L"BUTTON/str0"};
    for (int i = 0; i <= 6; ++i) expected.push_back(L"TIP/str" + std::to_wstring(i));
    for (int i = 0; i <= 3; ++i) expected.push_back(L"MSG/str" + std::to_wstring(i));
    for (int i = 0; i <= 30; ++i) expected.push_back(L"FUNCTION/str" + std::to_wstring(i));
    EXPECT_EQ(file.readLog, expected);
    for (std::size_t units : file.bufferSizes) EXPECT_EQ(units, 1000u);
    for (const std::wstring& d : file.defaults) EXPECT_EQ(d, L"@_NOSTR_");

    // Nothing in the file: the built-in English stays.
    DisplayTexts builtIn;
    EXPECT_EQ(texts.functionNames, builtIn.functionNames);
    EXPECT_EQ(texts.messages, builtIn.messages);
    EXPECT_EQ(texts.buttonLabel, L"Default");
}

TEST(ShellLanguage, EmptyValuesReplaceAndTheExactMarkerKeeps) {
    FakeProfile file;
    file.Set(L"FUNCTION", L"str5", L"");
    file.Set(L"FUNCTION", L"str6", L"@_NOSTR_");
    file.Set(L"FUNCTION", L"str7", L"@_nostr_");  // not the marker: the comparison is case-sensitive
    file.Set(L"FUNCTION", L"str8", L" @_NOSTR_");
    file.Set(L"BUTTON", L"str0", L"Standard");
    file.Set(L"TIP", L"str6", L"Standardwerte");
    file.Set(L"TIP", L"str0", L"");
    file.Set(L"FUNCTION", L"str31", L"never read");
    file.Set(L"FUNCTION", L"str32", L"never read");
    file.Set(L"function", L"str9", L"wrong section");
    DisplayTexts texts;
    ApplyLanguageFile(file, texts);
    EXPECT_EQ(texts.functionNames[5], L"");
    EXPECT_EQ(texts.functionNames[6], L"Start menu");
    EXPECT_EQ(texts.functionNames[7], L"@_nostr_");
    EXPECT_EQ(texts.functionNames[8], L" @_NOSTR_");
    EXPECT_EQ(texts.functionNames[9], L"Email reader");
    EXPECT_EQ(texts.functionNames[31], L"Simulate touch");
    EXPECT_EQ(texts.functionNames[32], L"Spotlight");
    EXPECT_EQ(texts.buttonLabel, L"Standard");
    EXPECT_EQ(texts.tips[6].text, L"Standardwerte");
    EXPECT_EQ(texts.tips[6].x, 550);  // positions and flags are not the file's
    EXPECT_EQ(texts.tips[6].y, 115);
    EXPECT_EQ(texts.tips[6].flag, 1);
    EXPECT_EQ(texts.tips[0].text, L"");
}

TEST(ShellLanguage, RenamedFunctionsKeepTheirPositions) {
    FakeProfile file;
    file.Set(L"FUNCTION", L"str16", L"Vorwärts");
    file.Set(L"FUNCTION", L"str15", L"Zurück");
    file.Set(L"FUNCTION", L"str3", L"Flip 3D übersetzt");
    DisplayTexts texts;
    ApplyLanguageFile(file, texts);
    EXPECT_EQ(texts.functionNames[3], L"Flip 3D übersetzt");  // read, stored ...

    for (bool newer : {false, true}) {
        FunctionCatalogueModel c = BuildCatalogue(newer, texts);
        EXPECT_EQ(c.ForwardPosition, newer ? 13 : 15);
        EXPECT_EQ(c.BackwardPosition, newer ? 12 : 14);
        EXPECT_EQ(c.entries[std::size_t(c.ForwardPosition)].name, L"Vorwärts");
        EXPECT_EQ(c.entries[std::size_t(c.BackwardPosition)].name, L"Zurück");
        for (const _ZuItemListDB& e : c.entries) EXPECT_NE(e.name, L"Flip 3D übersetzt");  // ... never shown
        ButtonSlots slots;
        SetSlotDefaults(c, slots);
        EXPECT_EQ(SlotName(c, slots.ButtonFunctions[3]), L"Vorwärts");
    }
}

TEST(ShellLanguage, ButtonOrdersFollowTheMessages) {
    FakeProfile file;
    file.Set(L"MSG", L"str0", L"Reihenfolge:");
    file.Set(L"MSG", L"str1", L"Links");
    file.Set(L"MSG", L"str2", L"Rechts");
    file.Set(L"MSG", L"str3", L"Mitte");
    DisplayTexts texts;
    ApplyLanguageFile(file, texts);
    using Order = std::array<std::wstring, 3>;
    EXPECT_EQ(texts.messages[0], L"Reihenfolge:");
    EXPECT_EQ(texts.buttonOrders[0], (Order{L"Mitte", L"Links", L"Rechts"}));
    EXPECT_EQ(texts.buttonOrders[2], (Order{L"Rechts", L"Links", L"Mitte"}));
    EXPECT_EQ(texts.buttonOrders[5], (Order{L"Links", L"Mitte", L"Rechts"}));
}

TEST(ShellLanguage, LongValuesAreCutTo999Units) {
    std::wstring longText(1500, L'x');
    longText[998] = L'A';
    longText[999] = L'B';
    DisplayTexts texts;

    FakeProfile file;  // cuts like the system's reader
    file.Set(L"FUNCTION", L"str2", longText);
    ApplyLanguageFile(file, texts);
    ASSERT_EQ(texts.functionNames[2].size(), 999u);
    EXPECT_EQ(texts.functionNames[2].back(), L'A');

    FakeProfile generous;  // hands back everything: cut the same way
    generous.cutToBuffer = false;
    generous.Set(L"TIP", L"str1", longText);
    ApplyLanguageFile(generous, texts);
    ASSERT_EQ(texts.tips[1].text.size(), 999u);
    EXPECT_EQ(texts.tips[1].text.back(), L'A');

    // Exactly 999 units fit whole.
    FakeProfile exact;
    exact.Set(L"MSG", L"str1", std::wstring(999, L'y'));
    ApplyLanguageFile(exact, texts);
    EXPECT_EQ(texts.messages[1], std::wstring(999, L'y'));
    EXPECT_EQ(texts.buttonOrders[4][0], std::wstring(999, L'y'));
}

// The system's reader hands back a C string, so whatever follows a NUL is not part of the value: a value
// that reads as the marker keeps the text, and no text carries a NUL into the drawing code.
TEST(ShellLanguage, ValuesEndAtTheirFirstNul) {
    using namespace std::string_literals;
    FakeProfile file;
    file.Set(L"FUNCTION", L"str13", L"@_NOSTR_\0junk"s);
    file.Set(L"FUNCTION", L"str12", L"Cut\0@_NOSTR_"s);
    file.Set(L"MSG", L"str1", L"\0Links"s);
    file.Set(L"TIP", L"str2", L"Klicken\0"s);
    DisplayTexts texts;
    ApplyLanguageFile(file, texts);
    EXPECT_EQ(texts.functionNames[13], L"Copy");
    EXPECT_EQ(texts.functionNames[12], L"Cut");
    EXPECT_EQ(texts.messages[1], L"");
    EXPECT_EQ(texts.buttonOrders[4][0], L"");
    EXPECT_EQ(texts.tips[2].text, L"Klicken");

    // A NUL past the buffer's end changes nothing: the value is cut first.
    FakeProfile generous;
    generous.cutToBuffer = false;
    generous.Set(L"BUTTON", L"str0", std::wstring(999, L'z') + L'\0' + L"more");
    ApplyLanguageFile(generous, texts);
    EXPECT_EQ(texts.buttonLabel, std::wstring(999, L'z'));
}

// A value cut at the buffer may end in the first half of a surrogate pair; that half alone is no character
// and is dropped. Pairs the buffer holds whole, and lone surrogates the file itself has, stay.
TEST(ShellLanguage, ACutNeverEndsInHalfACharacter) {
    const std::wstring pair = {wchar_t(0xD83D), wchar_t(0xDE00)};
    const std::wstring split = std::wstring(998, L'x') + pair + L"tail";  // the pair at units 998 and 999
    const std::wstring whole = std::wstring(997, L'x') + pair + L"tail";  // the pair at units 997 and 998
    const std::wstring lone = std::wstring(1, wchar_t(0xDC00)) + L"ab" + wchar_t(0xD800);

    for (bool cut : {true, false}) {
        SCOPED_TRACE(cut ? "reader cuts" : "reader hands back everything");
        FakeProfile file;
        file.cutToBuffer = cut;
        file.Set(L"FUNCTION", L"str1", split);
        file.Set(L"FUNCTION", L"str2", whole);
        file.Set(L"FUNCTION", L"str4", lone);
        DisplayTexts texts;
        ApplyLanguageFile(file, texts);
        EXPECT_EQ(texts.functionNames[1], std::wstring(998, L'x'));
        EXPECT_EQ(texts.functionNames[2], std::wstring(997, L'x') + pair);
        EXPECT_EQ(texts.functionNames[4], lone);
    }
}

// The media group's built-in name is the one users see in the picker; a language file still names it by the
// key it always had.
TEST(ShellLanguage, TheMediaGroupIsSpeltRightAndKeepsItsKey) {
    for (bool newer : {false, true}) {
        const FunctionCatalogueModel builtIn = BuildCatalogue(newer, DisplayTexts());
        const auto group = std::find_if(builtIn.entries.begin(), builtIn.entries.end(),
                                        [](const _ZuItemListDB& e) { return e.kind == kKindGroup && e.id == 50; });
        ASSERT_NE(group, builtIn.entries.end());
        EXPECT_EQ(group->name, L"Multimedia");

        FakeProfile file;
        file.Set(L"FUNCTION", L"str19", L"Multim\u00e9dia");
        DisplayTexts texts;
        ApplyLanguageFile(file, texts);
        const FunctionCatalogueModel translated = BuildCatalogue(newer, texts);
        EXPECT_EQ(translated.entries[std::size_t(group - builtIn.entries.begin())].name, L"Multim\u00e9dia");
    }
}

}  // namespace
