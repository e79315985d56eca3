#pragma once

#include "engine/BatchDriver.h"
#include "engine/DOSOutputs.h"
#include "engine/FileQueue.h"
#include "engine/ProgramPlaces.h"
#include "platform/StagingFolder.h"
#include "window/frmMain.h"

class UserDialogs;

// The program's parts put together: the queue, the window that shows it, and the batch that converts it
// through the encoder's runner, in this run's own staging folder. Tests put it together the same way.
class Program {
  public:
    Program(UserDialogs& dialogs, const ProgramPlaces& places);

    frmMain& Window() { return m_window; }
    BatchDriver& Batch() { return m_batch; }
    FileQueue& Queue() { return m_queue; }

  private:
    StagingFolder m_staging;
    FileQueue m_queue;
    DOSOutputs m_objDOS;
    frmMain m_window;
    BatchDriver m_batch;
};
