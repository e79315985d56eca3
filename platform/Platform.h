#pragma once

#include <QString>

#include <functional>

class QProcess;

// The few things that differ between operating systems. Each has one implementation per OS, chosen by CMake.
namespace platform {

// Folder that holds the running executable, without a trailing separator.
QString ProgramFolder();

// What executables end with on this system ("" here, ".exe" on Windows).
QString ExecutableSuffix();

// Makes `process`, once started, end together with this process, however this one ends, so that no
// encoder is ever left running without its owner.
void TieToParent(QProcess& process);

// Places `source` at `stagedPath` for the encoder to read. Whatever is at `stagedPath` is removed first and
// never followed. False when `source` is not a readable file or it cannot be placed.
bool StageSource(const QString& source, const QString& stagedPath);

// Runs `handler` on the event loop when the process is asked to end (SIGTERM, SIGINT, SIGHUP) or loses the
// reader of its output (SIGPIPE).
void OnTerminationRequest(std::function<void()> handler);

} // namespace platform
