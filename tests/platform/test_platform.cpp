// The system's own part, on the system it was built for: a source staged for the encoder without a copy
// where the system can link, the source never touched, and where the settings go when the program folder
// is shared.
#include "Files.h"
#include "Platform.h"

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
