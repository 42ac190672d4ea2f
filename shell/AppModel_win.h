#pragma once
// The program's one instance of the shell model - texts, function catalogue, button slots - and the
// start-up steps that fill it from the language file, the version query and the registry.
// Main thread only: built during the settings window's initialisation and read there afterwards.
#include "shell/Catalogue.h"
#include "shell/Texts.h"

#include <string>

extern DisplayTexts Texts;
extern FunctionCatalogueModel FunctionCatalogue;
extern ButtonSlots Slots;

// Replaces the built-in texts with those of the program's folder + "lang.ini", if the file has them.
void LoadLanguageFile(const std::wstring& programDir);

// Builds the catalogue (31 entries, or 28 where the system reports 6.2 or later) and sets the slot defaults.
void BuildFunctionCatalogue();

// Loads the stored settings over the defaults, then saves them at once: the registry gets range-corrected
// values and every connected mouse its configuration.
void LoadAndSaveSettings();

// Saves the slots and configures every connected mouse (after a change in the settings window).
void SaveAllSettings();
