// The system's own part, on the system it was built for: a source staged for the encoder without a copy
// where the system can link, the source never touched, and where the settings go when the program folder
// is shared.
#include "Files.h"
#include "platform/Platform.h"
#include "platform/StagingFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

class TestPlatform : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

  private slots:
    void stagingGivesTheEncoderTheSourceAndLeavesItAlone_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("plain") << "clip.avi" << false;
        QTest::newRow("read-only source") << "kept.avi" << true;
        QTest::newRow("Chinese name with spaces") << "我的 假期 视频.avi" << false;
        QTest::newRow("apostrophe and brackets") << "it's (2) [final].mp4" << false;
    }
    void stagingGivesTheEncoderTheSourceAndLeavesItAlone() {
        QFETCH(QString, name);
        QFETCH(bool, readOnly);
        QByteArray content(1 << 20, '\0');
        for (char& byte : content)
            byte = char(QRandomGenerator::global()->bounded(256));
        const QString source = path(name);
        writeFile(source, content);
        if (readOnly)
            QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::ReadUser));
        const QString staged = path(QStringLiteral("tmpfile.dat"));
        writeFile(staged, "left by an earlier run");

        QVERIFY(platform::StageSource(QDir::toNativeSeparators(source), staged));

        QCOMPARE(readFile(staged), content);
        // The staged name goes when the file is done; the source stays as it was.
        QVERIFY(QFile::remove(staged));
        QCOMPARE(readFile(source), content);
        QCOMPARE(bool(QFileInfo(source).permissions() & QFile::WriteOwner), !readOnly);
        QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner);
    }

    void whatIsNotAReadableFileIsNotStaged_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("missing") << path(QStringLiteral("missing.avi"));
        QTest::newRow("a folder") << m_dir.path();
        QTest::newRow("empty") << QString();
    }
    void whatIsNotAReadableFileIsNotStaged() {
        QFETCH(QString, source);
        QVERIFY(!platform::StageSource(source, path(QStringLiteral("not-staged.dat"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("not-staged.dat"))));
    }

    // A rename that claims a name in one step: "taken" by a file of another case only where case does not
    // count, which the folder itself tells.
    void aNameIsClaimedOnlyWhileItIsFree_data() {
        QTest::addColumn<QString>("there");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<bool>("taken");
        QTemporaryDir probe;
        writeFile(probe.filePath("X"), "x");
        QTest::newRow("free") << ""
                              << "result.mp4" << false;
        QTest::newRow("taken") << "result.mp4"
                               << "result.mp4" << true;
        QTest::newRow("taken in another case") << "Result.mp4"
                                               << "result.mp4" << QFile::exists(probe.filePath("x"));
        QTest::newRow("a free Chinese name beside a taken one") << "结果.mp4"
                                                                << "结果 (2).mp4" << false;
    }
    void aNameIsClaimedOnlyWhileItIsFree() {
        QFETCH(QString, there);
        QFETCH(QString, wanted);
        QFETCH(bool, taken);
        QTemporaryDir folder;
        writeFile(folder.filePath("new.part"), "the new result");
        if (!there.isEmpty())
            writeFile(folder.filePath(there), "the earlier file");
        const platform::MoveResult moved =
            platform::MoveUnlessTaken(folder.filePath("new.part"), folder.filePath(wanted));
        QCOMPARE(moved, taken ? platform::MoveResult::Taken : platform::MoveResult::Moved);
        QCOMPARE(QFile::exists(folder.filePath("new.part")), taken);
        if (!there.isEmpty())
            QCOMPARE(readFile(folder.filePath(there)), QByteArray("the earlier file"));
        const QByteArray named = taken ? "the earlier file" : "the new result";
        QCOMPARE(readFile(folder.filePath(wanted)), named);

        writeFile(folder.filePath("replaced"), "an old file");
        QVERIFY(platform::MoveReplacing(folder.filePath(wanted), folder.filePath("replaced")));
        QCOMPARE(readFile(folder.filePath("replaced")), named);
    }

    void aFileIsKnownHoweverItIsReached() {
        QTemporaryDir folder;
        writeFile(folder.filePath("clip.avi"), "a");
        writeFile(folder.filePath("other.avi"), "a");
        QVERIFY(QDir().mkdir(folder.filePath("sub")));
        const QByteArray identity = platform::FileIdentity(folder.filePath("clip.avi"));
        QVERIFY(!identity.isEmpty());
        QCOMPARE(platform::FileIdentity(folder.filePath("sub/../clip.avi")), identity);
        QCOMPARE(platform::FileIdentity(native(folder.filePath("clip.avi"))), identity);
        QVERIFY(platform::FileIdentity(folder.filePath("other.avi")) != identity);
        QVERIFY(platform::FileIdentity(folder.filePath("missing.avi")).isEmpty());
        if (QFile::link(folder.filePath("clip.avi"), folder.filePath("link.avi")) &&
            QFileInfo(folder.filePath("link.avi")).isSymLink())
            QCOMPARE(platform::FileIdentity(folder.filePath("link.avi")), identity);
    }

    // A folder is named from a root, as each system roots it; what the system would drop, is dropped.
    void aFolderIsNamedInFull_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("taken"); // empty: no full path
        const bool windows = QSysInfo::kernelType() == QStringLiteral("winnt");
        QTest::newRow("relative") << "rel-out"
                                  << "";
        QTest::newRow("nothing") << ""
                                 << "";
        if (!windows) {
            QTest::newRow("from the root") << "/home/me/视频/"
                                           << "/home/me/视频";
            QTest::newRow("doubled and dotted separators") << "/a//b/./c/../d"
                                                           << "/a/b/d";
            QTest::newRow("a name ending in a full stop is a name") << "/a/out."
                                                                    << "/a/out.";
            return;
        }
        QTest::newRow("a drive") << "D:\\视频\\输出"
                                 << "D:/视频/输出";
        QTest::newRow("a drive's root") << "D:\\"
                                        << "D:/";
        QTest::newRow("a share") << "\\\\server\\share\\out"
                                 << "//server/share/out";
        QTest::newRow("full stops and spaces that end names") << "C:\\a. \\out.."
                                                              << "C:/a/out";
        QTest::newRow("on the current drive") << "\\out"
                                              << "";
        QTest::newRow("in the drive's current folder") << "C:out"
                                                       << "";
    }
    void aFolderIsNamedInFull() {
        QFETCH(QString, typed);
        QFETCH(QString, taken);
        QCOMPARE(platform::FullFolderPath(typed), taken);
    }

    void withoutAHomeNothingIsStagedAtTheRoot() {
        const QByteArray home = qgetenv("HOME");
        qunsetenv("HOME");
        const bool homeless = QDir::homePath() == QDir::rootPath();
        const QString root = StagingFolder::DefaultRoot();
        qputenv("HOME", home);
        if (!homeless)
            QSKIP("this system finds the home folder elsewhere than in HOME");
        QCOMPARE(root, QString());
    }

    void aFolderOfTheUsersIsNotSharedProgramFilesIs() {
        QVERIFY(!platform::IsSharedProgramFolder(m_dir.path()));
        const QString programFiles =
            QProcessEnvironment::systemEnvironment().value(QStringLiteral("ProgramFiles"));
        if (QSysInfo::kernelType() != QStringLiteral("winnt") || programFiles.isEmpty())
            QSKIP("a read-only program folder is checked by the package test, run as an ordinary user");
        // Under Program Files whatever a write test says: an administrator, or wine, may write there.
        QVERIFY(platform::IsSharedProgramFolder(programFiles + QStringLiteral("\\Movikon PRO")));
    }

    void theUsersSettingsFolderIsTheirOwn() {
        const QString folder = platform::UserSettingsFolder();
        QVERIFY2(folder.startsWith(QDir::homePath() + u'/', Qt::CaseInsensitive), qPrintable(folder));
        QVERIFY2(folder.endsWith(QStringLiteral("/movikon"), Qt::CaseInsensitive), qPrintable(folder));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
