#pragma once

#include "platform/StagingFolder.h"

#include <QString>

// Where the program keeps its files. The settings file and the default output folder live beside the program
// while its folder can be written (a portable folder); in an installed, read-only one they go to the user's
// configuration folder and to a "Movikon" folder among the user's videos.
struct ProgramPlaces {
    QString programFolder;
    QString stagingRoot = StagingFolder::DefaultRoot();

    QString SettingsFile() const;
    QString DefaultOutput() const;
};
