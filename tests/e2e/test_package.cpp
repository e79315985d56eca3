// The Debian package, installed into a folder and run from there as an ordinary user with a fresh home: the
// program folder is read-only to that user, so the settings and the output go to the user's own folders.
#include "Media.h"
#include "Unprivileged.h"
#include "Xvfb.h"

#include <QDir>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {
void openToAll(const QString& path) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}
} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_package;
    QString m_root;
    QString m_home;
    Xvfb m_x;

    // Starts the installed program as nobody, at home in `m_home`.
    void start(QProcess& program) {
        QProcessEnvironment environment = m_x.Environment();
        environment.insert("HOME", m_home);
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            environment.remove(variable);
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        unprivileged::runAsNobody(program);
        program.start(m_root + "/opt/movikon/movikon");
        QVERIFY(program.waitForStarted());
    }

    void click(const QString& window, int x, int y) {
        m_x.Run("xdotool",
                {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"});
    }

  private slots:
    void initTestCase() {
        if (!unprivileged::isRoot())
            QSKIP("installing as another user needs root");
        QVERIFY(m_x.IsReady());
        openToAll(m_work.path());
        QProcess cpack;
        cpack.setWorkingDirectory(BUILD_FOLDER);
        cpack.setProcessChannelMode(QProcess::MergedChannels);
        cpack.start("cpack", {"-G", "DEB", "-B", m_work.filePath("package")});
        QVERIFY(cpack.waitForFinished(300000));
        QVERIFY2(cpack.exitCode() == 0, cpack.readAll().constData());
        const QStringList debs = QDir(m_work.filePath("package")).entryList({"*.deb"});
        QCOMPARE(debs.size(), 1);
        m_package = m_work.filePath("package/" + debs.first());

        m_root = m_work.filePath("root");
        int exitCode = -1;
        media::run("dpkg-deb", {"-x", m_package, m_root}, &exitCode);
        QCOMPARE(exitCode, 0);
        openToAll(m_root);
        m_home = m_work.filePath("home");
        QVERIFY(QDir().mkdir(m_home));
        QVERIFY(::chown(QFile::encodeName(m_home).constData(), unprivileged::kNobody,
                        unprivileged::kNobody) == 0);
    }

    void thePackageHoldsTheProgramAndPassesLintian() {
        for (const char* path :
             {"/opt/movikon/movikon", "/opt/movikon/data/conv", "/opt/movikon/sound.wav", "/usr/bin/movikon",
              "/usr/share/applications/movikon.desktop", "/usr/share/icons/hicolor/64x64/apps/movikon.png",
              "/usr/share/metainfo/example.movikon.Movikon.metainfo.xml"})
            QVERIFY2(QFile::exists(m_root + path), path);
        const QString fields = QString::fromUtf8(media::run("dpkg-deb", {"--field", m_package, "Depends"}));
        for (const char* needed :
             {"ffmpeg", "libqt6widgets6", "libqt6multimedia6", "qt6-qpa-plugins", "fonts-wqy-microhei"})
            QVERIFY2(fields.contains(needed), qPrintable(fields));
        const QString lintian = QString::fromUtf8(media::run("lintian", {m_package}));
        QVERIFY2(!lintian.contains(QRegularExpression("^E: ", QRegularExpression::MultilineOption)),
                 qPrintable(lintian));
    }

    // File managers offer the program under Open with for every video type it converts, and hand it the
    // files.
    void theDesktopEntryTakesEveryVideoType() {
        const QString entry = m_root + "/usr/share/applications/movikon.desktop";
        int exitCode = -1;
        const QString complaints = QString::fromUtf8(media::run("desktop-file-validate", {entry}, &exitCode));
        QVERIFY2(exitCode == 0 && complaints.isEmpty(), qPrintable(complaints));
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList exec;
        QStringList offered;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.startsWith("Exec="))
                exec = line.mid(5).split(' ');
            if (line.startsWith("MimeType="))
                offered = line.mid(9).split(';', Qt::SkipEmptyParts);
        }
        QCOMPARE(exec, QStringList({"movikon", "%F"}));
        const QMimeDatabase types;
        const auto isOffered = [&](const QMimeType& type) {
            return std::any_of(offered.cbegin(), offered.cend(),
                               [&](const QString& name) { return type.inherits(name); });
        };
        for (const QString& extension : QString(VIDEO_EXTENSIONS).split(' ')) {
            // A name may fit several types (.ts is also a translation file); a .dat (a video CD's track) fits
            // none, as it is told by its content.
            const QList<QMimeType> fitting = types.mimeTypesForFileName("clip." + extension);
            QVERIFY2(fitting.isEmpty() || std::any_of(fitting.cbegin(), fitting.cend(), isOffered),
                     qPrintable(extension + " is not among " + offered.join(';')));
        }
    }

    void theCloseMarkWritesTheUsersSettings() {
        QProcess program;
        start(program);
        const QString window = m_x.FindWindow("Movikon PRO");
        QVERIFY2(!window.isEmpty(), "the window did not appear");
        click(window, 272 + 5, 8 + 6);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(m_home + "/.config/movikon/setup.ini"));
        QVERIFY(!QFile::exists(m_root + "/opt/movikon/setup.ini"));
    }

    void aBatchWritesIntoTheUsersVideos() {
        const QString source = m_work.filePath("holiday.avi");
        QVERIFY(media::makeClip(source, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, 2));
        openToAll(source);
        QProcess program;
        start(program);
        const QString window = m_x.FindWindow("Movikon PRO");
        QVERIFY(!window.isEmpty());
        click(window, 10 + 43, 32 + 15); // Add
        const QString dialog = m_x.FindWindow("Open Files");
        QVERIFY2(!dialog.isEmpty(), "the open-file dialog did not appear");
        m_x.Run("xdotool", {"type", "--delay", "5", source});
        m_x.Run("xdotool", {"key", "Return"});
        QTRY_VERIFY(m_x.FindWindow("Open Files", 0).isEmpty());
        click(window, 195 + 43, 32 + 15); // Convert
        const QString result = m_home + "/Videos/Movikon/holiday.mp4";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(result), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(media::codecs(media::probe(result)) == QStringList({"h264", "aac"}), 10000);
        program.terminate();
        program.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
