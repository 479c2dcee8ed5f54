// The settings' home in the registry: the nine values under the current user's key
// "Software\Lakeglass", read when a saver window or the settings dialog starts and
// written when the dialog is closed with OK.
#pragma once

#include "settings/settings.h"

// Fills every field from the registry, or with its default where the stored value is
// missing or unusable. Creates the key when it does not exist; nothing is reported.
void LoadSaverSettings(SaverSettings* settings);

// Writes the eight numbers, and the picture path when the own picture is the background.
// Returns false when anything was left unstored (no key, a refused path, a failed write);
// what could be stored is stored regardless.
bool SaveSaverSettings(const SaverSettings& settings);
