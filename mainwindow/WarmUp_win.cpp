#include "mainwindow/WarmUp_win.h"

#include "mainwindow/SettingsFilter.h"
#include "overlays/GestureFrames.h"
#include "overlays/ImageCache_win.h"
#include "overlays/ZuItemList_win.h"
#include "overlays/ZuTipDLG_win.h"
#include "resources/resource.h"
#include "shell/AppModel_win.h"
#include "toolkit/Trace_win.h"

namespace {

// Each step stays well under a frame's time on a slow machine; the gesture frames come in two halves.
void PickerResources(HWND pickerWindow, const AppModel& model) {
    if (ZuItemList* picker = Dialog::From<ZuItemList>(pickerWindow)) picker->WarmUp(model.catalogue.entries);
}

void PickerIcons(const AppModel& model) {
    for (const _ZuItemListDB& entry : model.catalogue.entries) {
        if (entry.iconId) CachedPng(entry.iconId);
    }
}

void TipResources() {
    CachedPng(IDB_TIP_BAR);
    // Measuring a text makes GDI+ find the tip's font family once; later tips find it cached.
    GdiplusTipMeasurer().Measure(L"Click to select button functions.", kTipFontPixels);
}

void GestureFramesOf(int firstDirection, int lastDirection) {
    for (int direction = firstDirection; direction <= lastDirection; ++direction) {
        for (int id : GestureFrames[direction]) CachedPng(id);
    }
}

}  // namespace

int WarmUpSteps() { return 5; }

void WarmUpStep(int step, HWND picker, const AppModel& model) {
#if defined(ORVEL_TEST_HOOKS)
    const ULONGLONG started = GetTickCount64();
#endif
    switch (step) {
    case 0:
        PickerResources(picker, model);
        break;
    case 1:
        PickerIcons(model);
        break;
    case 2:
        TipResources();
        break;
    case 3:
        GestureFramesOf(0, 1);
        break;
    case 4:
        GestureFramesOf(2, kGestureDirections - 1);
        break;
    default:
        break;
    }
    ORVEL_TRACE("warm-up step %d %llu ms", step, GetTickCount64() - started);
}
