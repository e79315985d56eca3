#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// The private folder where one running instance stages its source and lets the encoder write its result.
// Every instance takes a slot of its own, held by a lock file, so two instances never touch each other's
// files. The folders are readable by their owner only.
class StagingFolder {
  public:
    // `root` holds the slots; by default a folder in the user's cache.
    explicit StagingFolder(const QString& root = DefaultRoot());

    static QString DefaultRoot();

    bool IsValid() const { return !m_path.isEmpty(); }
    QString Path() const { return m_path; }
    QString SourcePath() const { return m_path + QStringLiteral("/tmpfile.dat"); }
    QString ResultPath() const { return m_path + QStringLiteral("/tmpfile.mp4"); }

  private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_path;
};
