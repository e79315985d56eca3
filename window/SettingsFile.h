#pragma once

#include <QString>

class QComboBox;
class QLineEdit;

// setup.ini: five lines, each one quoted field ended by CR LF: the selected positions of the video bit rate,
// frame size, frame rate and audio bit rate lists, then the output folder. A quote in the folder's name is
// written doubled. A file over 64 KiB is damaged and holds no settings.
struct SettingsControls {
    QComboBox* cmbVBR;
    QComboBox* cmbSize;
    QComboBox* cmbFPS;
    QComboBox* cmbAB;
    QLineEdit* txtPath;
};

// Applies what the file at `path` holds; a missing file, a file that is not text and every field that
// cannot be used leave their setting as it was.
void LoadSettings(const QString& path, const SettingsControls& controls);

// Writes the file at `path` whole or not at all: an earlier file stays until the new one is complete.
void SaveSettings(const QString& path, const SettingsControls& controls);
