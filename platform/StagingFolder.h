#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The private folder where one running instance stages its source and lets the encoder write its result.
// Every instance takes a slot of its own, held by a lock file, so two instances never touch each other's
// files. The folders are readable by their owner only. Where no slot can be made under the root (no home
// folder, an unwritable cache), a new private folder under the system's temporary folder serves instead.
class StagingFolder {
  public:
    // `root` holds the slots; by default a folder in the user's cache.
    explicit StagingFolder(const QString& root = DefaultRoot());

    // Empty where the user has no cache folder of their own.
    static QString DefaultRoot();

    bool IsValid() const { return !m_path.isEmpty(); }
    QString Path() const { return m_path; }
    QString SourcePath() const { return m_path + QStringLiteral("/tmpfile.dat"); }
    QString ResultPath() const { return m_path + QStringLiteral("/tmpfile.mp4"); }
    // Where a folder was sought when the root could not take one: the root, then the temporary folder if
    // there is one.
    QStringList Tried() const { return m_tried; }

  private:
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QTemporaryDir> m_fallback;
    QString m_path;
    QStringList m_tried;
};
