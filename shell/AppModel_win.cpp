#include "shell/AppModel_win.h"

#include "device/DeviceLink_win.h"
#include "shell/Language.h"
#include "shell/Language_win.h"
#include "shell/ProcessState.h"
#include "shell/Settings.h"
#include "shell/Settings_win.h"
#include "shell/Version_win.h"
#include "toolkit/Trace_win.h"

void LoadLanguageFile(AppModel& model, const std::wstring& programDir) {
    PrivateProfileReader reader(LanguageFilePath(programDir));
    ApplyLanguageFile(reader, model.texts);
    ORVEL_TRACE("text button %s", TraceUtf8(model.texts.buttonLabel).c_str());
}

void BuildFunctionCatalogue(AppModel& model) {
    model.catalogue = BuildCatalogue(ReportsVersion62OrLater(), model.texts);
    SetSlotDefaults(model.catalogue, model.slots);
    ORVEL_TRACE("catalogue %d forward=%d backward=%d", model.catalogue.Size(),
                model.catalogue.ForwardPosition, model.catalogue.BackwardPosition);
#if defined(ORVEL_TEST_HOOKS)
    for (int i = 0; i < model.catalogue.Size(); ++i) {
        ORVEL_TRACE("function %d %s", i, TraceUtf8(model.catalogue.entries[size_t(i)].name).c_str());
    }
#endif
}

void LoadStoredSettings(AppModel& model) {
    RegistrySettingsBackend registry;
    LoadSettings(registry, model.catalogue, model.slots, DeviceMode);
}

void SaveAllSettings(const AppModel& model) {
    // The event watch's reset pass reads the order from here when it runs, on the device worker.
    DeviceButtonOrder.store(model.slots.ButtonOrder, std::memory_order_relaxed);
    RegistrySettingsBackend registry;
    SaveSettings(registry, model.catalogue, model.slots, DeviceMode, [] { EnumerateAndProbeDevices(); });
    ORVEL_TRACE("settings-saved device-mode=0x%02x order=%d", DeviceMode.load(), model.slots.ButtonOrder);
}
