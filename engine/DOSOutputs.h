#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

class UserNotices;

// Runs one console command as a hidden child process and hands over everything it writes, standard output
// and standard error together, chunk by chunk as it arrives. ExecuteCommand returns only when the command is
// over; the caller's event loop keeps running meanwhile, so the window stays alive.
class DOSOutputs : public QObject {
    Q_OBJECT

  public:
    // Largest piece of output handed over in one ReceiveOutputs, in bytes as the child wrote them.
    static constexpr qint64 kChunkBytes = 1024;

    explicit DOSOutputs(UserNotices& notices, QObject* parent = nullptr);
    ~DOSOutputs() override;

    QString CommandLine() const { return m_commandLine; }
    void setCommandLine(const QString& DOSCommand) { m_commandLine = DOSCommand; }

    // Everything the current or last run wrote.
    QString Outputs() const { return m_outputs; }

    // Runs `CommandLine`, or the stored command line when it is empty, and returns what it wrote, read after
    // the CommandOver handlers have run. The command line is split into program and arguments, double quotes
    // grouping words; no shell is involved. When the command cannot be started, an error box is shown, no
    // event is raised and the empty text is returned.
    QString ExecuteCommand(const QString& CommandLine = {});

    // How the last started run ended: true only when its program exited by itself with status 0.
    bool LastRunSucceeded() const { return m_lastExitStatus == QProcess::NormalExit && m_lastExitCode == 0; }

    bool IsRunning() const { return m_running != nullptr; }

    // Asks a running child to end, and ends it by force when it has not within `graceMs`. Returns when it
    // has gone. The run then ends as usual, with CommandOver.
    void Stop(int graceMs = 3000);

  signals:
    // One piece of output, as soon as it has been read. Outputs() already ends with it.
    void ReceiveOutputs(const QString& CommandOutputs);
    // The run is over and its process is gone; raised once per run that started.
    void CommandOver();

  private:
    UserNotices& m_notices;
    QString m_commandLine;
    QString m_outputs;
    QProcess* m_running = nullptr;
    int m_lastExitCode = 0;
    QProcess::ExitStatus m_lastExitStatus = QProcess::NormalExit;
};
