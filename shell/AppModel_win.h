#pragma once
// The shell model - texts, function catalogue, button slots - and the start-up steps that fill it from the
// language file, the version query and the registry. The resident program owns the one model and hands it
// to the settings window, which hands it to what it calls. UI thread only: built during the settings
// window's initialisation and read there afterwards.
#include "shell/Catalogue.h"
#include "shell/Texts.h"

#include <string>

struct AppModel {
    DisplayTexts texts;
    FunctionCatalogueModel catalogue;
    ButtonSlots slots;
};

// Replaces the built-in texts with those of the program's folder + "lang.ini", if the file has them.
void LoadLanguageFile(AppModel& model, const std::wstring& programDir);

// Builds the catalogue (31 entries, or 28 where the system reports 6.2 or later) and sets the slot defaults.
void BuildFunctionCatalogue(AppModel& model);

// Loads the stored settings over the defaults. The start-up saves them right after (SaveAllSettings): the
// registry gets range-corrected values and every connected mouse its configuration.
void LoadStoredSettings(AppModel& model);

// Saves the slots and configures every connected mouse (after a change in the settings window).
void SaveAllSettings(const AppModel& model);
