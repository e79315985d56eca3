#pragma once

// A private X display for the real program: Xvfb on a display of its own, ended with this object.
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

class Xvfb {
  public:
    Xvfb() {
        // Xvfb takes the first free display itself and says which: two tests at once never share one.
        // -noreset: a server that resets when its last client leaves turns the next one away meanwhile.
        m_server.start(QStringLiteral("Xvfb"),
                       {"-displayfd", "1", "-noreset", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        m_server.waitForStarted();
        QElapsedTimer clock;
        clock.start();
        while (m_server.state() == QProcess::Running && !m_server.canReadLine() && clock.elapsed() < 10000)
            m_server.waitForReadyRead(100);
        const QByteArray number = m_server.readLine().trimmed();
        if (!number.isEmpty())
            m_display = u':' + QString::fromLatin1(number);
        // Ready once a client gets through.
        while (!number.isEmpty() && m_server.state() == QProcess::Running && clock.elapsed() < 10000 &&
               !m_ready) {
            QProcess probe;
            probe.setProcessEnvironment(Environment());
            probe.start(QStringLiteral("xwininfo"), {"-root"});
            m_ready = probe.waitForFinished(5000) && probe.exitCode() == 0;
        }
    }

    ~Xvfb() {
        m_server.terminate();
        m_server.waitForFinished();
    }

    bool IsReady() const { return m_ready; }
    QString Display() const { return m_display; }

    // The environment of a program shown on this display.
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return environment;
    }

    // The id of the first visible window named exactly `name`, waiting for it up to `ms`; empty if none.
    QString FindWindow(const QString& name, int ms = 10000) const {
        QElapsedTimer clock;
        clock.start();
        do {
            const QString found =
                Run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", "^" + name + "$"});
            if (!found.isEmpty())
                return found.section(u'\n', 0, 0);
            QThread::msleep(10);
        } while (clock.elapsed() < ms);
        return {};
    }

    // Runs an X client on this display and returns what it printed.
    QString Run(const QString& program, const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.start(program, arguments);
        process.waitForFinished(10000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

  private:
    QProcess m_server;
    QString m_display;
    bool m_ready = false;
};
