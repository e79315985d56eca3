#include "engine/BatchDriver.h"

#include "conv/ConvProtocol.h"
#include "conv/Subtitles.h"
#include "engine/BatchChoices.h"
#include "engine/ConvMessages.h"
#include "engine/ConversionSettings.h"
#include "engine/DOSOutputs.h"
#include "engine/FileQueue.h"
#include "engine/ProgressParser.h"
#include "engine/UserNotices.h"
#include "engine/clsWaitableTimer.h"
#include "platform/Platform.h"
#include "platform/StagingFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int kDeleteAttempts = 5;
constexpr int kDeleteRetryMs = 200;

// The last line the encoder wrote: for a failed run, why it failed.
QString lastLine(const QString& output) {
    const QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    return {};
}

// The drivers alive, for the exit hook.
QList<BatchDriver*> g_drivers;
} // namespace

QString SpokenDuration(int seconds) {
    seconds = std::max(0, seconds);
    return seconds >= 3600 ? QStringLiteral("%1 小时 %2 分").arg(seconds / 3600).arg(seconds % 3600 / 60)
           : seconds >= 60 ? QStringLiteral("%1 分 %2 秒").arg(seconds / 60).arg(seconds % 60)
                           : QStringLiteral("%1 秒").arg(seconds);
}

QString BatchPlace(int fileNumber, int fileCount, std::optional<int> secondsLeft) {
    const QString place = QStringLiteral("第 %1 个，共 %2 个").arg(fileNumber).arg(fileCount);
    if (!secondsLeft)
        return place;
    return place + QStringLiteral(" · 剩余约 ") + SpokenDuration(*secondsLeft);
}

BatchDriver::BatchDriver(DOSOutputs& objDOS, UserNotices& notices, FileQueue& queue,
                         const BatchChoices& choices, const QString& programFolder,
                         const StagingFolder& staging, QObject* parent)
    : QObject(parent), m_objDOS(objDOS), m_notices(notices), m_queue(queue), m_choices(choices),
      m_programFolder(programFolder), m_staging(staging) {
    // A file is kept from the moment it is queued, whether or not it is ever converted.
    connect(&m_queue, &FileQueue::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        for (int row = first; row <= last; ++row)
            m_kept.Keep(m_queue.Path(row));
        ShowPlace();
    });
    connect(&m_queue, &FileQueue::rowsRemoved, this, &BatchDriver::ShowPlace);
    connect(&m_objDOS, &DOSOutputs::ReceiveOutputs, this, &BatchDriver::objDOS_ReceiveOutputs);
    connect(&m_objDOS, &DOSOutputs::CommandOver, this, &BatchDriver::objDOS_CommandOver);
    // Ended this way, letting no event run: the program is already on its way out.
    static const bool abortsAtExit = std::atexit([] {
                                         for (BatchDriver* driver : g_drivers) {
                                             driver->Abort();
                                             driver->RemoveStagingFiles();
                                         }
                                     }) == 0;
    Q_UNUSED(abortsAtExit);
    g_drivers << this;
}

BatchDriver::~BatchDriver() {
    g_drivers.removeOne(this);
}

void BatchDriver::Convert() {
    if (m_running)
        return;
    if (m_queue.Count() == 0) {
        m_notices.ShowWarning(QStringLiteral("警告"), QStringLiteral("请先添加文件"));
        return;
    }
    QString output;
    if (const QString problem = StartProblem(output); !problem.isEmpty()) {
        m_notices.ShowWarning(kApplicationTitle, problem + QStringLiteral("\n转换没有开始。"));
        return;
    }
    m_running = true;
    ++m_batchNumber;
    m_stopNow = false;
    m_stopAfterFile = false;
    m_stopReason.clear();
    m_failures.clear();
    m_incomplete.clear();
    m_withoutSubtitles.clear();
    // The batch keeps the folder it started with, whatever the box shows later.
    m_publisher.emplace(output, m_kept);
    emit OutputFolderUsed(QDir::toNativeSeparators(output));
    m_filesDone = 0;
    emit RunningChanged(true);
    emit BatchProgress(0);
    ConvertNext();
}

QString BatchDriver::StartProblem(QString& output) const {
    const QFileInfo encoder(EncoderPath(m_programFolder));
    if (!encoder.isFile())
        return QStringLiteral("找不到转换程序：") + QDir::toNativeSeparators(encoder.filePath());
    if (!encoder.isExecutable())
        return QStringLiteral("转换程序无法运行：") + QDir::toNativeSeparators(encoder.filePath());
    if (!m_staging.IsValid()) {
        QStringList tried;
        for (const QString& folder : m_staging.Tried())
            tried << QDir::toNativeSeparators(folder);
        return QStringLiteral("无法创建临时文件夹：") + tried.join(u'；');
    }
    // The staging folder is emptied after every file: results kept there would go with it. Told before the
    // output folder is made, so that a refused batch makes none there.
    const auto place = [](const QString& folder) {
        const QString real = QDir(folder).canonicalPath();
        return real.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : real;
    };
    const Publisher::Folder folder = Publisher::FolderNamed(m_choices.OutputFolder());
    if (!folder.problem.isEmpty())
        return folder.problem;
    const QString real = place(folder.path), staging = place(m_staging.Path());
    if (real == staging || real.startsWith(staging + u'/'))
        return QStringLiteral("输出文件夹不能在临时文件夹中：") + QDir::toNativeSeparators(folder.path);
    if (const QString problem = Publisher::PrepareFolder(folder.path); !problem.isEmpty())
        return problem;
    output = folder.path;
    return {};
}

void BatchDriver::Abort() {
    if (m_running && !m_ending)
        EndBatch(Ending::Aborted);
}

void BatchDriver::Stop(bool afterCurrentFile) {
    if (!m_running || m_ending)
        return;
    if (afterCurrentFile) {
        m_stopAfterFile = true;
        return;
    }
    // The encoder throws away what it wrote; the file stays at the head of the queue.
    m_stopNow = true;
    m_objDOS.Stop();
}

void BatchDriver::ConvertNext() {
    if (!m_running)
        return;
    if (m_queue.Count() == 0)
        return EndBatch(Ending::Finished);
    if (m_stopNow)
        return EndBatch(Ending::Stopped);
    // A folder that went away or became read-only would only fail every file after its conversion.
    if (const QString problem = m_publisher->FolderProblem(); !problem.isEmpty())
        return StopFor(problem);

    const QString source = m_queue.Head();
    m_queue.LockHead(true);
    if (!platform::StageSource(source, m_staging.SourcePath()))
        return CompleteFile(source, QStringLiteral("无法读取源文件"));
    // The subtitle file a player would pick up beside the source goes beside the staged source, under the
    // same stem, where conv looks for it ("film.chs.ass" beside "film.mkv" becomes "tmpfile.chs.ass").
    m_stagedSubtitles = SubtitleFileBeside(source);
    const QString stem = QFileInfo(source).completeBaseName();
    if (!m_stagedSubtitles.isEmpty() &&
        !platform::StageSource(m_stagedSubtitles,
                               QFileInfo(m_staging.SourcePath()).path() + QStringLiteral("/tmpfile") +
                                   QFileInfo(m_stagedSubtitles).fileName().mid(stem.size())))
        m_stagedSubtitles.clear();
    QCoreApplication::processEvents();
    if (m_stopNow)
        return EndBatch(Ending::Stopped);

    m_objDOS.setCommandLine(EncoderCommandLine(m_programFolder, m_staging.SourcePath(),
                                               m_staging.ResultPath(), m_choices.ConversionOptions()));
    m_commandOver = false;
    m_secondsLeft.reset();
    ShowPlace();
    m_fileClock.start();
    m_mediaSecondsDone = 0;
    m_objDOS.ExecuteCommand();
    // The encoder could not be started and the runner has said so: the file stays queued for a later try.
    if (!m_commandOver && m_running)
        EndBatch(Ending::CannotStart);
}

void BatchDriver::objDOS_ReceiveOutputs(const QString& CommandOutputs) {
    const ProgressReading reading = ReadProgress(CommandOutputs, lngTotalSeconds);
    lngTotalSeconds = reading.totalSeconds;
    if (!reading.display)
        return;
    emit FileProgress(reading.display->fraction, reading.display->label);
    if (m_running)
        emit BatchProgress((m_filesDone + reading.display->fraction) / BatchSize());
    // The encoder's pace so far, media seconds done per wall second, tells how long the rest will take. A
    // time cut by a chunk's edge reads low: the furthest point reached counts.
    m_mediaSecondsDone = std::max(m_mediaSecondsDone, reading.display->fraction * lngTotalSeconds);
    const double wallSeconds = m_fileClock.elapsed() / 1000.0;
    if (m_running && m_mediaSecondsDone > 0 && wallSeconds > 0) {
        m_secondsLeft = qRound((lngTotalSeconds - m_mediaSecondsDone) / (m_mediaSecondsDone / wallSeconds));
        ShowPlace();
    }
}

void BatchDriver::ShowPlace() {
    // Between two files the place waits for the next one.
    if (m_running && !m_ending && m_queue.HeadLocked())
        emit PlaceChanged(BatchPlace(m_filesDone + 1, BatchSize(), m_secondsLeft));
}

void BatchDriver::objDOS_CommandOver() {
    m_commandOver = true;
    if (!m_running)
        return;
    // Stopped at once before the encoder was done: nothing is published and the file stays queued. A file
    // that was done by then is published as any other.
    if (m_stopNow && !m_objDOS.LastRunSucceeded()) {
        QMetaObject::invokeMethod(this, &BatchDriver::ConvertNext, Qt::QueuedConnection);
        return;
    }
    const QString source = m_queue.Head();
    if (!m_objDOS.LastRunSucceeded())
        return CompleteFile(source, EncoderFailure(lastLine(m_objDOS.Outputs())));
    const Publisher::Outcome outcome = m_publisher->Publish(m_staging.ResultPath(), source);
    // A folder that takes no more results stops the batch with this file still queued.
    if (outcome.folderFailed)
        return StopFor(outcome.failure);
    if (const auto incomplete = ReadIncomplete(m_objDOS.Outputs()); incomplete && outcome.failure.isEmpty())
        m_incomplete << source + QStringLiteral(" — 源文件不完整：只转换了 %1，共 %2。")
                                     .arg(SpokenDuration(qRound(incomplete->convertedSeconds)),
                                          SpokenDuration(qRound(incomplete->declaredSeconds)));
    if (ReadSubtitleSkipped(m_objDOS.Outputs()) && outcome.failure.isEmpty())
        m_withoutSubtitles << source +
                                  (m_stagedSubtitles.isEmpty()
                                       ? QStringLiteral(" — 视频中的字幕无法显示，已转换为没有字幕的视频。")
                                       : QStringLiteral(
                                             " — 字幕文件“%1”无法读取或显示，已转换为没有字幕的视频。")
                                             .arg(QDir::toNativeSeparators(m_stagedSubtitles)));
    CompleteFile(source, outcome.failure);
}

void BatchDriver::StopFor(const QString& reason) {
    m_stopReason = reason;
    m_stopNow = true;
    QMetaObject::invokeMethod(this, &BatchDriver::ConvertNext, Qt::QueuedConnection);
}

QString BatchDriver::EncoderFailure(const QString& said) const {
    // Anything but a failure line as its last line (a progress report, nothing at all) means it was ended
    // from outside.
    const std::optional<ConvFailure> failure = ReadFailureLine(said);
    if (!failure)
        return QStringLiteral("转换程序意外终止。");
    // The encoder writes its result into the staging folder: what it says of its output is about that folder.
    const QString staging = QDir::toNativeSeparators(m_staging.Path());
    switch (*failure) {
    case ConvFailure::DiskFull:
        return QStringLiteral("临时文件夹所在的磁盘已满：") + staging;
    case ConvFailure::NoPermission:
        return QStringLiteral("没有权限写入临时文件夹：") + staging;
    case ConvFailure::CannotWrite:
        return QStringLiteral("无法写入临时文件夹：") + staging;
    default:
        return FailureSentence(*failure);
    }
}

void BatchDriver::CompleteFile(const QString& source, const QString& failure) {
    if (!failure.isEmpty())
        m_failures << source + QStringLiteral(" — ") + failure;
    ++m_filesDone;
    m_queue.RemoveHead();
    DeleteStagingFiles();
    emit FileProgress(1, QStringLiteral("100%"));
    emit BatchProgress(double(m_filesDone) / BatchSize());
    QCoreApplication::processEvents();
    lngTotalSeconds = 0;
    m_stopNow |= m_stopAfterFile;
    // From the event loop, so that a batch of any length runs on a constant stack.
    QMetaObject::invokeMethod(this, &BatchDriver::ConvertNext, Qt::QueuedConnection);
}

int BatchDriver::BatchSize() const {
    return m_filesDone + m_queue.Count();
}

void BatchDriver::EndBatch(Ending ending) {
    // The sound and the boxes below let events run: nothing may stop or end this batch again meanwhile.
    m_ending = true;
    switch (ending) {
    case Ending::Finished:
        m_notices.Open(QDir::toNativeSeparators(m_publisher->OutputFolder()));
        m_notices.PlaySound(m_programFolder + QStringLiteral("/sound.wav"));
        emit StatusText(QStringLiteral("完成."));
        break;
    case Ending::Stopped:
        DeleteStagingFiles();
        emit StatusText(QStringLiteral("已停止."));
        break;
    case Ending::CannotStart:
        DeleteStagingFiles();
        break;
    case Ending::Aborted:
        // The encoder's end is no step of this batch any more; its staging files are the caller's to remove.
        m_running = false;
        m_objDOS.Stop();
        break;
    }
    emit PlaceChanged({});
    m_queue.LockHead(false);
    m_running = false;
    m_ending = false;
    emit RunningChanged(false);
    if (ending != Ending::Aborted)
        ReportFailures();
}

void BatchDriver::ReportFailures() {
    const QStringList lines = m_failures + m_incomplete + m_withoutSubtitles;
    QStringList counts;
    if (!m_failures.isEmpty())
        counts << QStringLiteral("%1 个文件未能转换").arg(m_failures.size());
    if (!m_incomplete.isEmpty())
        counts << QStringLiteral("%1 个文件的源文件不完整").arg(m_incomplete.size());
    if (!m_withoutSubtitles.isEmpty())
        counts << QStringLiteral("%1 个文件的字幕未能加入").arg(m_withoutSubtitles.size());
    if (!m_stopReason.isEmpty())
        m_notices.ShowReport(QStringLiteral("转换已停止，未转换的文件仍在列表中。"),
                             QStringList{m_stopReason} + lines);
    else if (lines.size() == m_incomplete.size() && !lines.isEmpty())
        m_notices.ShowReport(counts.join(u'，') + QStringLiteral("，只转换了一部分。"), lines);
    else if (!lines.isEmpty())
        m_notices.ShowReport(counts.join(u'，') + u'。', lines);
    m_stopReason.clear();
    m_failures.clear();
    m_incomplete.clear();
    m_withoutSubtitles.clear();
}

void BatchDriver::DeleteStagingFiles() {
    clsWaitableTimer pause;
    for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
        const bool allGone = RemoveStagingFiles();
        QCoreApplication::processEvents();
        if (allGone)
            return;
        pause.Wait(kDeleteRetryMs);
    }
}

bool BatchDriver::RemoveStagingFiles() {
    if (!m_staging.IsValid())
        return true;
    QDir folder(m_staging.Path());
    bool allGone = true;
    for (const QString& name : folder.entryList(QDir::Files | QDir::System | QDir::Hidden))
        allGone &= folder.remove(name);
    return allGone;
}
