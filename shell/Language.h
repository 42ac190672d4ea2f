#pragma once
// The language file "lang.ini" next to the program: read once, before the function catalogue is built,
// so that the catalogue's names already follow it.
#include "shell/Texts.h"

#include <cstddef>
#include <string>

// Reads one value of an INI file the way GetPrivateProfileStringW does: a missing file, section or key
// gives `defaultValue`; a present key gives its value (possibly empty); at most bufferUnits - 1 UTF-16
// units come back.
class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    virtual std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& defaultValue, std::size_t bufferUnits) = 0;
};

// The default that marks "no text here": an exact, case-sensitive match keeps the built-in text.
extern const wchar_t kNoLanguageString[];  // "@_NOSTR_"
constexpr std::size_t kLanguageBufferUnits = 1000;

// The program's folder (ending with a backslash) + "lang.ini".
std::wstring LanguageFilePath(const std::wstring& programDir);

// Reads BUTTON str0; TIP str0..6; MSG str0..3; FUNCTION str0..30, in that order, replaces every text whose
// value is not "@_NOSTR_", then rebuilds the button-order table. Tip positions and flags stay as they are.
// A value is taken as the reader's C string would hold it: up to its first NUL, at most 999 units, and
// without the half of a surrogate pair that such a cut leaves at its end.
void ApplyLanguageFile(ProfileReader& reader, DisplayTexts& texts);
