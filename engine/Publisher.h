#pragma once

#include <QFileDevice>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// The name a result takes from its source: the source's file name without its last extension, and ".mp4"
// ("Show.S01E01.avi" gives "Show.S01E01.mp4", "movie" gives "movie.mp4", ".hidden" gives ".hidden.mp4").
QString ResultName(const QString& source);

// Puts one batch's results into its output folder: the one place where result files are named.
// A result never replaces a source of the batch, a result published earlier in it, or a file that appeared in
// the folder while it ran (another instance's result): it then takes the first free name, "name (2).mp4",
// "name (3).mp4", and so on, claimed in one step with the rename. A file that was in the folder under that
// name before the batch, and is none of its sources, is replaced. A result is copied in under a temporary
// name first, so no name ever shows a half-written file. A name too long for the file system is shortened.
class Publisher {
  public:
    // `sources`: every file of the batch, as queued.
    Publisher(const QString& outputFolder, const QStringList& sources);

    QString OutputFolder() const { return m_folder; }

    struct Outcome {
        QString published; // the result's path in the output folder, when it got there
        QString failure;   // otherwise why not, as one Chinese sentence naming the folder
    };
    // Copies the encoder's `result` for `source` into the output folder.
    Outcome Publish(const QString& result, const QString& source);

  private:
    // Why a write into the output folder failed: a missing folder, no permission, a full disk; `needed`
    // bytes, and what was `written` so far if anything.
    QString WriteFailure(qint64 needed, const QFileDevice* written) const;

    QString m_folder;
    QSet<QByteArray> m_untouchable;           // the sources and the results of this batch
    QHash<QByteArray, QString> m_replaceable; // what the folder held before the batch, by name
};
