#pragma once
// The texts the user sees, built in as English. The language file ("lang.ini") may replace them by
// section and key number, so the tables keep their numbering even where an entry is never shown.
#include <array>
#include <string>

// Function-name texts 0..32. Texts 3 ("Flip 3D (Aero)") and 31 ("Simulate touch") belong to no catalogue
// entry; only 0..30 can be replaced from the language file.
constexpr int kFunctionTextCount = 33;
constexpr int kReplaceableFunctionTexts = 31;
constexpr int kTipCount = 7;
constexpr int kMessageCount = 4;
constexpr int kButtonOrderCount = 6;

// Indices into DisplayTexts::messages.
enum MessageText : int { kMsgOrder = 0, kMsgLeft = 1, kMsgRight = 2, kMsgMiddle = 3 };

// One tooltip: the text and where it is shown in window client pixels. The flag word is carried along
// and not read by anything.
struct TipEntry {
    std::wstring text;
    int x = 0;
    int y = 0;
    int flag = 0;
};

struct DisplayTexts {
    std::array<std::wstring, kFunctionTextCount> functionNames;
    std::array<TipEntry, kTipCount> tips;
    std::wstring buttonLabel;  // the Default button's caption ("BUTTON" str0)
    std::array<std::wstring, kMessageCount> messages;  // "Order:", "Left", "Right", "Middle"
    // The six orders of the three main buttons, each three names taken from messages Left/Right/Middle.
    std::array<std::array<std::wstring, 3>, kButtonOrderCount> buttonOrders;

    DisplayTexts();  // the built-in English, with the button orders already built
};

// Fills buttonOrders from the current "Left", "Right" and "Middle" messages.
void RebuildButtonOrders(DisplayTexts& texts);
