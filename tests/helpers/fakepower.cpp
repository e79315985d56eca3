// Stands in for the desktop's power management on a test's own session bus, and says what it was asked.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>

#include <cstdio>

class PowerManagement : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")

  public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        std::printf("inhibit %s: %s\n", qPrintable(application), qPrintable(reason));
        std::fflush(stdout);
        return ++m_cookies;
    }
    void UnInhibit(uint cookie) {
        std::printf("uninhibit %u\n", cookie);
        std::fflush(stdout);
    }

  private:
    uint m_cookies = 0;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    PowerManagement power;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/PowerManagement/Inhibit", &power,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService("org.freedesktop.PowerManagement"))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "fakepower.moc"
