#include "engine/KeptFiles.h"

#include "platform/Platform.h"

void KeptFiles::Keep(const QString& path) {
    KeepIdentity(platform::FileIdentity(path));
}

void KeptFiles::KeepIdentity(const QByteArray& identity) {
    if (!identity.isEmpty())
        m_identities.insert(identity);
}
