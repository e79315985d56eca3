#include "SleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace {
// A desktop service answers at once or not at all; a batch never waits long for it.
constexpr int kCallTimeoutMs = 1000;

const QString kApplication = QStringLiteral("Movikon PRO");
const QString kReason = QStringLiteral("Converting videos");

QDBusMessage callPowerManagement(const QString& method, const QList<QVariant>& arguments) {
    QDBusInterface service(QStringLiteral("org.freedesktop.PowerManagement"),
                           QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
                           QStringLiteral("org.freedesktop.PowerManagement.Inhibit"),
                           QDBusConnection::sessionBus());
    service.setTimeout(kCallTimeoutMs);
    return service.callWithArgumentList(QDBus::Block, method, arguments);
}
} // namespace

void SleepInhibitor::Hold() {
    if (m_cookie || m_lock.isValid())
        return;
    if (QDBusConnection::sessionBus().isConnected()) {
        const QDBusReply<uint> cookie =
            callPowerManagement(QStringLiteral("Inhibit"), {kApplication, kReason});
        if (cookie.isValid()) {
            m_cookie = cookie.value();
            return;
        }
    }
    if (QDBusConnection::systemBus().isConnected()) {
        QDBusInterface login(QStringLiteral("org.freedesktop.login1"),
                             QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
        login.setTimeout(kCallTimeoutMs);
        const QDBusReply<QDBusUnixFileDescriptor> lock =
            login.call(QStringLiteral("Inhibit"), QStringLiteral("sleep"), kApplication, kReason,
                       QStringLiteral("block"));
        if (lock.isValid())
            m_lock = lock.value();
    }
}

void SleepInhibitor::Release() {
    if (m_cookie)
        callPowerManagement(QStringLiteral("UnInhibit"), {*m_cookie});
    m_cookie.reset();
    m_lock = QDBusUnixFileDescriptor();
}
