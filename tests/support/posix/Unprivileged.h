#pragma once

// Tests run as root, whom no permission stops. A case about permissions runs again as the user nobody.
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <grp.h>
#include <unistd.h>

namespace unprivileged {

inline bool isRoot() {
    return ::geteuid() == 0;
}

constexpr uid_t kNobody = 65534;

// Makes `process`, once started, run as nobody.
inline void runAsNobody(QProcess& process) {
    process.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(125);
    });
}

// Whether nobody can get to `path`: every folder on the way must let others through.
inline bool reachable(const QString& path) {
    for (QFileInfo step(path); !step.isRoot(); step = QFileInfo(step.absolutePath())) {
        const auto needed = step.isDir() ? QFile::ExeOther : QFile::ReadOther;
        if (!(step.permissions() & needed))
            return false;
    }
    return true;
}

// Runs the test function `function` of this test program as nobody; its output joins ours. The exit code.
inline int rerun(const QString& function) {
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments({function});
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QStringLiteral("/tmp"));
    runAsNobody(process);
    process.start();
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace unprivileged

// Ends the current test function as root after running it again as nobody.
#define RUN_UNPRIVILEGED()                                                                                   \
    if (unprivileged::isRoot()) {                                                                            \
        if (!unprivileged::reachable(QCoreApplication::applicationFilePath()) ||                             \
            !unprivileged::reachable(QStringLiteral(PROGRAM_FOLDER "/data/conv")))                           \
            QSKIP("the build folder is closed to other users, so no unprivileged user can run this case");   \
        QCOMPARE(unprivileged::rerun(QString::fromLatin1(QTest::currentTestFunction())), 0);                 \
        return;                                                                                              \
    }
