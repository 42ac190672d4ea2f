#pragma once
// Where a screen snap is saved: "<desktop>\Screen Snap\screen_<date>_<time>.png", the date as
// "yyyy-MM-dd" and the time as "hh'h'mm'm'ss's' tt" in the system's default locale. Portable: the Windows
// half formats the date and time and asks the file system whether a name is taken.
#include <functional>
#include <string>

constexpr const wchar_t* kSnapFolder = L"Screen Snap";
constexpr const wchar_t* kSnapDatePicture = L"yyyy-MM-dd";
constexpr const wchar_t* kSnapTimePicture = L"hh'h'mm'm'ss's' tt";
constexpr int kSnapFormatBuffer = 49;  // characters, with the terminating zero
// A name taken by this many snaps of the same second is given up on.
constexpr int kSnapMaxNumber = 9999;

// "<desktop>\Screen Snap".
std::wstring SnapFolderPath(const std::wstring& desktop);

// A date or time text made fit for a file name: the characters no file name can hold (\ / : * ? " < > |
// and control characters, which a locale's AM/PM designator may bring) become '_'.
std::wstring FileNameSafe(const std::wstring& text);

// The file for a snap taken at `date` and `time` (formatted as above). Two snaps of the same second must
// not overwrite each other: while `taken` says a name exists, " (2)", " (3)", ... goes before ".png".
// Empty when the desktop is unknown or every number up to kSnapMaxNumber is taken.
std::wstring SnapFilePath(const std::wstring& desktop, const std::wstring& date, const std::wstring& time,
                          const std::function<bool(const std::wstring&)>& taken);
