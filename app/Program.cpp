#include "app/Program.h"

#include "engine/Publisher.h"
#include "window/UserDialogs.h"

#include <QDir>

Program::Program(UserDialogs& dialogs, const ProgramPlaces& places)
    : m_staging(places.stagingRoot), m_objDOS(dialogs), m_window(dialogs, places, m_queue),
      m_batch(m_objDOS, dialogs, m_queue, m_window, places.programFolder, m_staging) {
    QDir().mkpath(places.DefaultOutput());
    QDir().mkdir(places.programFolder + QStringLiteral("/data"));
    m_window.Attach(m_batch);
    m_batch.DeleteStagingFiles();
    // What a publishing program that died left in the folder goes at the next start.
    if (const Publisher::Folder output = Publisher::FolderNamed(m_window.OutputFolder());
        output.problem.isEmpty())
        Publisher::RemoveLeftovers(output.path);
}
