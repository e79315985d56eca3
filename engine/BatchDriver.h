#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include "engine/KeptFiles.h"
#include "engine/Publisher.h"

#include <optional>

class BatchChoices;
class DOSOutputs;
class FileQueue;
class UserNotices;
class StagingFolder;

// A length of time as people say it: "45 秒", "1 分 20 秒", "1 小时 2 分".
QString SpokenDuration(int seconds);

// Where a batch is: which file of how many converts, and about how long is left for it, as in
// "第 2 个，共 5 个 · 剩余约 1 分 20 秒". Without an estimate, only the place.
QString BatchPlace(int fileNumber, int fileCount, std::optional<int> secondsLeft);

// Converts the queue from its head, one file at a time: stages the source, runs the encoder through the
// runner, publishes the result into the output folder (see Publisher), and moves on. When the queue is empty
// it opens the output folder, plays the sound, shows "完成." and names the files that failed and those whose
// source turned out incomplete. It takes its files from the FileQueue, the folder and settings from
// BatchChoices, and tells how it goes by its signals. A batch still running when the program exits without
// ending it (Qt exits at once when the display goes away) is aborted then, and its staging files removed.
class BatchDriver : public QObject {
    Q_OBJECT

  public:
    BatchDriver(DOSOutputs& objDOS, UserNotices& notices, FileQueue& queue, const BatchChoices& choices,
                const QString& programFolder, const StagingFolder& staging, QObject* parent = nullptr);
    ~BatchDriver() override;

    bool IsRunning() const { return m_running; }
    // Counts the batches started, so that what was asked about one is not applied to the next.
    int BatchNumber() const { return m_batchNumber; }

    // The Convert command: a warning with an empty queue, and one where the encoder, the staging folder or
    // the output folder cannot serve (the output folder is made when missing); otherwise the start of a
    // batch.
    void Convert();

    // Stops a running batch and gives the window back, the files not converted still queued in order: at once
    // (the encoder is stopped and its file stays at the head of the queue), or once the current file is
    // done and published. "已停止." shows; failures met so far are named as at the end of a batch.
    void Stop(bool afterCurrentFile);
    // Whether the batch is to stop once the current file is done; CarryOn takes that back.
    bool StopPending() const { return m_running && m_stopAfterFile; }
    void CarryOn() { m_stopAfterFile = false; }

    // Ends a running batch at once: the encoder is stopped, nothing more of the batch runs and nothing is
    // published. What it left in the staging folder is for DeleteStagingFiles.
    void Abort();

    // Deletes whatever the staging folder holds, trying for about a second; a file that stays is left for
    // the next start.
    void DeleteStagingFiles();
    // One try at it, letting no event run: for when the program is already ending. True when all are gone.
    bool RemoveStagingFiles();

    qint32 lngTotalSeconds = 0;

  signals:
    // How far the current file is, from 0 to 1, and the percentage the bar shows with it.
    void FileProgress(double fraction, const QString& text);
    // A text the bar shows in place of the percentage: "完成." or "已停止.".
    void StatusText(const QString& text);
    // Where the batch is (see BatchPlace); empty once it has ended.
    void PlaceChanged(const QString& place);
    // How far the whole batch is, from 0 to 1: (files done + the current file's part) / files.
    void BatchProgress(double done);
    // A batch has started or ended, however it ended.
    void RunningChanged(bool running);
    // The output folder a batch writes into, as the system takes it (see Publisher::PrepareFolder).
    void OutputFolderUsed(const QString& folder);

  private:
    enum class Ending { Finished, Stopped, CannotStart, Aborted };

    // Why no batch can start with the encoder and these folders (no encoder, no staging folder, an output
    // folder that cannot be used or lies inside the staging folder), or nothing; `output` is then the
    // output folder as the batch uses it.
    QString StartProblem(QString& output) const;
    void ConvertNext();
    // The one way a batch ends: it stops running and, unless aborted, names its failures. Only a finished
    // batch opens the folder and plays the sound; an aborted one lets no event run.
    void EndBatch(Ending ending);
    // The batch stops before its next file, for `reason`, the files not converted still queued.
    void StopFor(const QString& reason);
    // One box naming every file of the batch that produced nothing, and why, every one converted from an
    // incomplete source, and every one whose subtitles could not be burnt in.
    void ReportFailures();
    // Why the encoder failed, as its last line `said` tells it, with its output named as what it is.
    QString EncoderFailure(const QString& said) const;
    void objDOS_ReceiveOutputs(const QString& CommandOutputs);
    void objDOS_CommandOver();
    // The steps after a file, whether or not it produced a result; `failure` says why it did not.
    void CompleteFile(const QString& source, const QString& failure);
    // The files done and those still queued: files queued or removed while the batch runs count as they go.
    int BatchSize() const;
    // Where the batch is, with the current file's estimate once there is one.
    void ShowPlace();

    DOSOutputs& m_objDOS;
    UserNotices& m_notices;
    FileQueue& m_queue;
    const BatchChoices& m_choices;
    const QString m_programFolder;
    const StagingFolder& m_staging;
    bool m_running = false;
    int m_batchNumber = 0;
    bool m_ending = false;        // between the end of the last step and the commands coming back
    bool m_stopNow = false;       // the batch ends before the next step
    bool m_stopAfterFile = false; // the batch ends once the current file is done
    bool m_commandOver = false;
    QString m_stopReason; // why the batch stopped by itself, if it did
    QStringList m_failures;
    QStringList m_incomplete;
    QStringList m_withoutSubtitles;
    QString m_stagedSubtitles; // the subtitle file staged with the current file's source, if any
    KeptFiles m_kept;
    std::optional<Publisher> m_publisher; // for the batch that runs or last ran
    int m_filesDone = 0;
    QElapsedTimer m_fileClock;        // since the encoder started on the current file
    double m_mediaSecondsDone = 0;    // of the current file, the furthest the encoder has reported
    std::optional<int> m_secondsLeft; // for the current file, as last estimated
};
