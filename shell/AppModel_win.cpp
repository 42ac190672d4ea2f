#include "shell/AppModel_win.h"

#include "device/DeviceLink_win.h"
#include "shell/Language.h"
#include "shell/Language_win.h"
#include "shell/ProcessState.h"
#include "shell/Settings.h"
#include "shell/Settings_win.h"
#include "shell/Version_win.h"
#include "toolkit/Trace_win.h"

DisplayTexts Texts;
FunctionCatalogueModel FunctionCatalogue;
ButtonSlots Slots;

void LoadLanguageFile(const std::wstring& programDir) {
    PrivateProfileReader reader(LanguageFilePath(programDir));
    ApplyLanguageFile(reader, Texts);
    ORVEL_TRACE("text button %s", TraceUtf8(Texts.buttonLabel).c_str());
}

void BuildFunctionCatalogue() {
    FunctionCatalogue = BuildCatalogue(ReportsVersion62OrLater(), Texts);
    SetSlotDefaults(FunctionCatalogue, Slots);
    ORVEL_TRACE("catalogue %d forward=%d backward=%d", FunctionCatalogue.Size(),
                FunctionCatalogue.ForwardPosition, FunctionCatalogue.BackwardPosition);
#if defined(ORVEL_TEST_HOOKS)
    for (int i = 0; i < FunctionCatalogue.Size(); ++i) {
        ORVEL_TRACE("function %d %s", i, TraceUtf8(FunctionCatalogue.entries[size_t(i)].name).c_str());
    }
#endif
}

void LoadAndSaveSettings() {
    RegistrySettingsBackend registry;
    LoadSettings(registry, FunctionCatalogue, Slots, DeviceMode);
    SaveAllSettings();
}

void SaveAllSettings() {
    // The close watch's reset pass reads the order from here when it runs, on the device worker.
    DeviceButtonOrder.store(Slots.ButtonOrder, std::memory_order_relaxed);
    RegistrySettingsBackend registry;
    SaveSettings(registry, FunctionCatalogue, Slots, DeviceMode, [] { EnumerateAndProbeDevices(); });
    ORVEL_TRACE("settings-saved device-mode=0x%02x order=%d", DeviceMode.load(), Slots.ButtonOrder);
}
