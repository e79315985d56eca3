#pragma once

// A private X display for the real program: Xvfb on a display number nobody uses, ended with this object.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

class Xvfb {
  public:
    Xvfb() {
        for (int number = 90; number < 300 && m_display.isEmpty(); ++number)
            if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) &&
                !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                m_display = QStringLiteral(":%1").arg(number);
        m_server.start(QStringLiteral("Xvfb"), {m_display, "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        m_server.waitForStarted();
        const QString socket = QStringLiteral("/tmp/.X11-unix/X") + m_display.mid(1);
        QElapsedTimer clock;
        clock.start();
        while (m_server.state() != QProcess::NotRunning && !QFile::exists(socket) && clock.elapsed() < 10000)
            QThread::msleep(20);
        m_ready = QFile::exists(socket) && m_server.state() == QProcess::Running;
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
