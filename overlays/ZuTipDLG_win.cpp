#include "overlays/ZuTipDLG_win.h"

void ShowTip(int, int, const std::wstring&, int, int) {}

void HideTip(int) {}

void TooltipPart::Start() {}

bool TooltipPart::Stop() noexcept { return true; }
