#pragma once

#include "engine/KeptFiles.h"

#include <QFileDevice>
#include <QHash>
#include <QString>

// The name a result takes from its source: the source's file name without its last extension, and ".mp4"
// ("Show.S01E01.avi" gives "Show.S01E01.mp4", "movie" gives "movie.mp4", ".hidden" gives ".hidden.mp4").
QString ResultName(const QString& source);

// Puts one batch's results into its output folder: the one place where result files are named.
// A result replaces a file of its name only when that file is an earlier result of the program's (it carries
// conv's mark), held that name before the batch, and is none of the files this run of the program keeps (its
// sources and results, see KeptFiles). Otherwise it takes the first free name, "name (2).mp4", "name
// (3).mp4", and so on, claimed in one step with the rename. A result is copied in under a temporary name
// first, so no name ever shows a half-written file; the temporary name carries the process's number, so that
// what a process that died left is known as such and removed. A name too long for the file system is
// shortened.
class Publisher {
  public:
    // The folder the output folder box names: spaces at both ends dropped, "~" standing for the home folder,
    // a full path required.
    struct Folder {
        QString path;    // the folder as the system takes it
        QString problem; // otherwise why it names no folder, as one Chinese sentence
    };
    static Folder FolderNamed(const QString& text);
    // Makes the folder at `path` ready for a batch, with its parents when missing. Why it cannot take
    // results (a file in the way, no permission, a full disk), or nothing.
    static QString PrepareFolder(const QString& path);

    // Removes the temporary files that publishing processes no longer running left in `folder`.
    static void RemoveLeftovers(const QString& folder);

    // `folder` as PrepareFolder gave it; `kept` is the run's, and learns of each result published.
    Publisher(const QString& folder, KeptFiles& kept);

    QString OutputFolder() const { return m_folder; }

    struct Outcome {
        QString published; // the result's path in the output folder, when it got there
        QString failure;   // otherwise why not, as one Chinese sentence naming the folder
        bool folderFailed; // the failure is the whole folder's: gone, not writable or full
    };
    // Copies the encoder's `result` for `source` into the output folder.
    Outcome Publish(const QString& result, const QString& source);

    // Why the output folder can take no result now (gone, not writable), or nothing.
    QString FolderProblem() const;

  private:
    QString m_folder;
    KeptFiles& m_kept;
    QHash<QByteArray, QString> m_before; // what the folder held before the batch, by identity: its name
};
