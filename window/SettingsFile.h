#pragma once

#include "engine/ConversionSettings.h"

#include <QString>

#include <array>

class QComboBox;
class QLineEdit;

// setup.ini: five lines, each one quoted field ended by CR LF: the selected positions of the four settings'
// lists, in the order of `Setting`, then the output folder. A quote in the folder's name is written doubled.
// A file over 64 KiB is damaged and holds no settings.
struct SettingsControls {
    std::array<QComboBox*, kSettingCount> lists; // in the order of `Setting`
    QLineEdit* txtPath;
};

// Applies what the file at `path` holds; a missing file, a file that is not text and every field that
// cannot be used leave their setting as it was.
void LoadSettings(const QString& path, const SettingsControls& controls);

// Writes the file at `path` whole or not at all: an earlier file stays until the new one is complete.
void SaveSettings(const QString& path, const SettingsControls& controls);
