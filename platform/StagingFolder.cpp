#include "StagingFolder.h"

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
    if (!makePrivateFolder(root))
        return;
    for (int slot = 0; slot < kSlots; ++slot) {
        const QString path = root + QStringLiteral("/slot-%1").arg(slot);
        auto lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
        // The lock's owner is checked: a lock left by a crashed instance is taken over.
        if (!lock->tryLock(0))
            continue;
        if (!makePrivateFolder(path))
            return;
        m_lock = std::move(lock);
        m_path = path;
        return;
    }
}

QString StagingFolder::DefaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/staging");
}
