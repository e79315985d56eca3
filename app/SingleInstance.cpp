#include "app/SingleInstance.h"

#include "platform/Platform.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QThread>
#include <QUuid>

namespace {
// How long a later start waits for the running window to take its files: long enough for one busy with a
// batch, short enough that a hung one does not keep the person waiting.
constexpr int kAnswerMs = 4000;
const QString kMessageSuffix = QStringLiteral(".files");

// The same folder for every start by this user of this program folder, and for no one else.
QString InboxFolder(const QString& programFolder, const QString& stagingRoot) {
    if (stagingRoot.isEmpty())
        return {};
    const QString folder = QDir(programFolder).canonicalPath();
    const QByteArray key = (folder.isEmpty() ? programFolder : folder).toUtf8();
    return stagingRoot + QStringLiteral("/handover-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
}
} // namespace

SingleInstance::SingleInstance(const QString& programFolder, const QString& stagingRoot, QObject* parent)
    : QObject(parent), m_inbox(InboxFolder(programFolder, stagingRoot)) {
    if (m_inbox.isEmpty() || !QDir().mkpath(m_inbox))
        return;
    QFile::setPermissions(m_inbox, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_lock = std::make_unique<QLockFile>(m_inbox + QStringLiteral("/window.lock"));
    // Only a lock whose owner has ended is stale, however long ago it was taken.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::HandOver(const QStringList& files) {
    if (!m_lock)
        return false;
    if (m_lock->tryLock(0))
        return false;
    QSaveFile message(m_inbox + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces) + kMessageSuffix);
    if (!message.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&message);
    out << files;
    if (!message.commit())
        return false;
    // The running window may come to the front although this start, not it, was the one the person used.
    platform::LetAnotherWindowComeForward();
    const QDeadlineTimer deadline(kAnswerMs);
    while (QFile::exists(message.fileName()) && !deadline.hasExpired())
        QThread::msleep(20);
    // Taken back unless the window took it first: whichever renames or removes it first has it.
    return !QFile::remove(message.fileName());
}

void SingleInstance::Serve() {
    if (!m_lock || !m_lock->isLocked())
        return;
    m_watcher.addPath(m_inbox);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SingleInstance::TakeMessages);
    // Where the system tells no change of the folder, it is looked at every second.
    connect(&m_poll, &QTimer::timeout, this, &SingleInstance::TakeMessages);
    m_poll.start(1000);
    // A message left by a start that waited for a window that has gone since is taken too.
    QTimer::singleShot(0, this, &SingleInstance::TakeMessages);
}

void SingleInstance::StopServing() {
    m_poll.stop();
    m_watcher.disconnect(this);
    m_poll.disconnect(this);
    if (m_lock)
        m_lock->unlock();
}

void SingleInstance::TakeMessages() {
    if (!m_lock || !m_lock->isLocked())
        return;
    const QDir inbox(m_inbox);
    for (const QString& name :
         inbox.entryList({u'*' + kMessageSuffix}, QDir::Files, QDir::Time | QDir::Reversed)) {
        const QString taken = inbox.filePath(name + QStringLiteral(".taken"));
        if (!QFile::rename(inbox.filePath(name), taken))
            continue;
        QFile file(taken);
        QStringList files;
        if (file.open(QIODevice::ReadOnly)) {
            QDataStream in(&file);
            in >> files;
        }
        file.remove();
        // A start with no file still brings the window to the front.
        emit FilesArrived(files);
    }
}
