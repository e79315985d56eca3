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

// What names the file at `path` (links followed) among all files of the machine: two paths lead to the same
// file exactly when their identities are equal, however they are spelt. Empty when no file is there.
QByteArray FileIdentity(const QString& path);

enum class MoveResult { Moved, Taken, Failed };

// Renames `from` to `to` in the same folder only while no file takes the name `to`, as the folder's file
// system compares names ("A.mp4" takes "a.mp4" where case does not count). The test and the rename are one
// step, so that two programs never both get one name.
MoveResult MoveUnlessTaken(const QString& from, const QString& to);

// Renames `from` to `to` in the same folder, replacing what is there in one step.
bool MoveReplacing(const QString& from, const QString& to);

// Whether a process of this number runs on this machine now.
bool IsProcessRunning(qint64 processId);

// Lets the window of another process of the program come to the front, where the system gives that right
// only to the process the person just started.
void LetAnotherWindowComeForward();

// `path` as this system takes a folder's full path, or the empty text when it names no folder from a root
// (a relative path; on Windows also "C:folder" and "\\folder", which hang on the current drive). Windows
// drops the full stops and spaces that end a name: they are dropped here too, so that the folder made is the
// one named.
QString FullFolderPath(const QString& path);

// Asks `process`, a running conv, to stop: it then ends its ffmpeg and removes what it had written. Other
// programs may not hear it; the caller ends them by force after a grace period.
void AskToStop(QProcess& process);

// Runs `handler` on the event loop when this process is asked to end: AskToStop, a console's Ctrl+C or close,
// SIGTERM, SIGINT and SIGHUP, and the loss of the reader of its output (SIGPIPE).
void OnTerminationRequest(std::function<void()> handler);

// Whether the program folder is shared by every user of the machine (installed, or read-only), so that the
// settings and the default output folder go with each user instead.
bool IsSharedProgramFolder(const QString& programFolder);

// The user's own folder for the settings when the program folder is shared.
QString UserSettingsFolder();

// The Chinese national encodings that text files, subtitles among them, are written in besides Unicode:
// GB18030 (and GBK, its subset) on the mainland, Big5 in Taiwan and Hong Kong.
enum class ChineseEncoding { Gb18030, Big5 };

// `bytes` read in `encoding`; a byte sequence the encoding does not have becomes a replacement character
// (U+FFFD, or the system's own). Each system has its own tables for them.
QString DecodeChinese(const QByteArray& bytes, ChineseEncoding encoding);

} // namespace platform
