#include "engine/ProgramPlaces.h"

#include "platform/Platform.h"

#include <QStandardPaths>

QString ProgramPlaces::SettingsFile() const {
    return (platform::IsSharedProgramFolder(programFolder) ? platform::UserSettingsFolder() : programFolder) +
           QStringLiteral("/setup.ini");
}

QString ProgramPlaces::DefaultOutput() const {
    return platform::IsSharedProgramFolder(programFolder)
               ? QStandardPaths::writableLocation(QStandardPaths::MoviesLocation) + QStringLiteral("/Movikon")
               : programFolder + QStringLiteral("/output");
}
