#include "platform/StagingFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {
constexpr int kSlots = 64;
constexpr auto kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

bool makePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path))
        return false;
    const QFileInfo info(path);
    return !info.isSymLink() && info.isDir() && QFile::setPermissions(path, kOwnerOnly);
}
} // namespace

StagingFolder::StagingFolder(const QString& root) {
    if (!root.isEmpty() && makePrivateFolder(root)) {
        for (int slot = 0; slot < kSlots; ++slot) {
            const QString path = root + QStringLiteral("/slot-%1").arg(slot);
            auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
            // The lock's owner is checked: a lock left by a crashed instance is taken over.
            if (!lock->tryLock(0))
                continue;
            if (!makePrivateFolder(path))
                break;
            m_lock = std::move(lock);
            m_path = path;
            return;
        }
    }
    if (!root.isEmpty())
        m_tried << root;
    // A temporary folder that does not exist comes back empty: it must not become the file system's root.
    const QString temporary = QDir::tempPath();
    if (temporary.isEmpty() || QDir(temporary).isRoot())
        return;
    m_tried << temporary;
    // Made new and private (mode 0700 where there are modes): nobody else can have planted anything in it.
    auto fallback = std::make_unique<QTemporaryDir>(temporary + QStringLiteral("/movikon-XXXXXX"));
    if (!fallback->isValid())
        return;
    m_path = fallback->path();
    m_fallback = std::move(fallback);
}

QString StagingFolder::DefaultRoot() {
    // Without a home folder the cache would be made at the root of the file system.
    if (QDir::homePath() == QDir::rootPath())
        return {};
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cache.isEmpty() ? QString() : cache + QStringLiteral("/staging");
}
