#include "platform/SessionServices.h"

#include <QAudioDevice>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace platform {

bool PlaySoundFile(const QString& path, int longestMs) {
    if (QMediaDevices::audioOutputs().isEmpty())
        return true;
    QSoundEffect sound;
    QEventLoop played;
    bool failed = false;
    QObject::connect(&sound, &QSoundEffect::playingChanged, &played, [&] {
        if (!sound.isPlaying())
            played.quit();
    });
    QObject::connect(&sound, &QSoundEffect::statusChanged, &played, [&] {
        if (sound.status() == QSoundEffect::Error) {
            failed = true;
            played.quit();
        } else if (sound.status() == QSoundEffect::Ready) {
            sound.play();
        }
    });
    QTimer::singleShot(longestMs, &played, &QEventLoop::quit);
    sound.setSource(QUrl::fromLocalFile(path));
    if (sound.status() == QSoundEffect::Ready)
        sound.play();
    played.exec();
    return !failed;
}

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

struct SleepInhibitor::Held {
    std::optional<uint> cookie;   // from the session's power management
    QDBusUnixFileDescriptor lock; // from the login manager: held while open
};

SleepInhibitor::SleepInhibitor() : m_held(std::make_unique<Held>()) {}

SleepInhibitor::~SleepInhibitor() {
    Release();
}

void SleepInhibitor::Hold() {
    if (m_held->cookie || m_held->lock.isValid())
        return;
    if (QDBusConnection::sessionBus().isConnected()) {
        const QDBusReply<uint> cookie =
            callPowerManagement(QStringLiteral("Inhibit"), {kApplication, kReason});
        if (cookie.isValid()) {
            m_held->cookie = cookie.value();
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
            m_held->lock = lock.value();
    }
}

void SleepInhibitor::Release() {
    if (m_held->cookie)
        callPowerManagement(QStringLiteral("UnInhibit"), {*m_held->cookie});
    m_held->cookie.reset();
    m_held->lock = QDBusUnixFileDescriptor();
}

namespace {
// The desktop entry the dock knows the program by.
const QString kLauncherEntry = QStringLiteral("application://movikon.desktop");

void updateLauncherEntry(const QVariantMap& properties) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/movikon"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << kLauncherEntry << properties;
    bus.send(update);
}
} // namespace

struct TaskbarProgress::Entry {
    bool shown = false;
};

TaskbarProgress::TaskbarProgress() : m_entry(std::make_unique<Entry>()) {}

TaskbarProgress::~TaskbarProgress() {
    Clear();
}

// The dock matches the entry by the desktop file, not by the window.
void TaskbarProgress::Show(quintptr, double done) {
    updateLauncherEntry({{QStringLiteral("progress"), std::clamp(done, 0.0, 1.0)},
                         {QStringLiteral("progress-visible"), true}});
    m_entry->shown = true;
}

void TaskbarProgress::Clear() {
    if (m_entry->shown)
        updateLauncherEntry({{QStringLiteral("progress-visible"), false}});
    m_entry->shown = false;
}

QPoint PointerHotSpot(const QPoint& spot, double ratio) {
    return (QPointF(spot) * ratio).toPoint();
}

} // namespace platform
