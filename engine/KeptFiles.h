#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// The files this run of the program must never replace: every file queued as a source since it started
// (converted, stopped, removed or still queued) and every result it published, known by their identity, so
// that no other spelling or link leads past them.
class KeptFiles {
  public:
    // Keeps the file at `path`, if one is there.
    void Keep(const QString& path);
    void KeepIdentity(const QByteArray& identity);
    bool Holds(const QByteArray& identity) const { return m_identities.contains(identity); }

  private:
    QSet<QByteArray> m_identities;
};
