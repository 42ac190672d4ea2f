#include "shell/Texts.h"

namespace {

const wchar_t* const kBuiltInFunctionNames[kFunctionTextCount] = {
    L"No function",    L"System",         L"Expose application", L"Flip 3D (Aero)", L"My computer",
    L"Show desktop",   L"Start menu",     L"Application",        L"Calculator",     L"Email reader",
    L"Web browser",    L"Function key",   L"Cut",                L"Copy",           L"Paste",
    L"Backward",       L"Forward",        L"Page Up",            L"Page Down",      L"Multimedia",
    L"Volume +",       L"Volume -",       L"Mute",               L"Play / Pause",   L"Prev track",
    L"Next track",     L"Media Player",   L"Presenter",          L"Highlighter",    L"Screen snap #1",
    L"Screen snap #2", L"Simulate touch", L"Spotlight",
};

struct BuiltInTip {
    const wchar_t* text;
    int x, y, flag;
};
const BuiltInTip kBuiltInTips[kTipCount] = {
    {L"", 0, 0, 0},
    {L"Click to select button functions.", 200, 190, 1},
    {L"Click to change button mapping.", 320, 400, 1},
    {L"Click to select gesture functions.", 400, 190, 0},
    {L"Minimize", 570, 40, 0},
    {L"Close", 590, 40, 0},
    {L"Default", 550, 115, 1},
};

const wchar_t* const kBuiltInMessages[kMessageCount] = {L"Order:", L"Left", L"Right", L"Middle"};

// Which message names each place of each button order.
const MessageText kButtonOrderTable[kButtonOrderCount][3] = {
    {kMsgMiddle, kMsgLeft, kMsgRight},  {kMsgMiddle, kMsgRight, kMsgLeft}, {kMsgRight, kMsgLeft, kMsgMiddle},
    {kMsgRight, kMsgMiddle, kMsgLeft},  {kMsgLeft, kMsgRight, kMsgMiddle}, {kMsgLeft, kMsgMiddle, kMsgRight},
};

}  // namespace

DisplayTexts::DisplayTexts() : buttonLabel(L"Default") {
    for (int i = 0; i < kFunctionTextCount; ++i) functionNames[i] = kBuiltInFunctionNames[i];
    for (int i = 0; i < kTipCount; ++i) {
        tips[i] = TipEntry{kBuiltInTips[i].text, kBuiltInTips[i].x, kBuiltInTips[i].y, kBuiltInTips[i].flag};
    }
    for (int i = 0; i < kMessageCount; ++i) messages[i] = kBuiltInMessages[i];
    RebuildButtonOrders(*this);
}

void RebuildButtonOrders(DisplayTexts& texts) {
    for (int order = 0; order < kButtonOrderCount; ++order) {
        for (int place = 0; place < 3; ++place) {
            texts.buttonOrders[order][place] = texts.messages[kButtonOrderTable[order][place]];
        }
    }
}
