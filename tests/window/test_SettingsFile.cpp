#include "Files.h"
#include "Unprivileged.h"
#include "engine/ConversionSettings.h"
#include "window/SettingsFile.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The four lists and the folder box at their defaults, as the window has them before loading.
struct Controls {
    std::array<QComboBox, kSettingCount> lists; // video bit rate, frame size, frame rate, audio bit rate
    QLineEdit path;

    Controls() {
        for (std::size_t i = 0; i < kSettingCount; ++i) {
            lists[i].addItems(ConversionSettings::All()[i].entries);
            lists[i].setCurrentIndex(ConversionSettings::All()[i].defaultPosition);
        }
    }
    SettingsControls all() { return {{&lists[0], &lists[1], &lists[2], &lists[3]}, &path}; }
    QList<int> positions() const {
        return {lists[0].currentIndex(), lists[1].currentIndex(), lists[2].currentIndex(),
                lists[3].currentIndex()};
    }
};

const QList<int> kDefaults{2, 4, 0, 1};

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file() const { return m_dir.filePath("setup.ini"); }

  private slots:
    void init() { QFile::remove(file()); }

    void savesFiveQuotedLines() {
        Controls controls;
        controls.path.setText("C:\\Convert\\output");
        SaveSettings(file(), controls.all());
        const QByteArray expected = "\"2\"\r\n\"4\"\r\n\"0\"\r\n\"1\"\r\n\"C:\\Convert\\output\"\r\n";
        QCOMPARE(readFile(file()), expected);
        QCOMPARE(readFile(file()).size(), 41);
    }

    void roundTrip_data() {
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QString>("folder");
        QTest::newRow("last entries") << QList<int>{12, 11, 3, 4} << "/home/me/Videos/out";
        QTest::newRow("comma and spaces") << QList<int>{0, 0, 1, 2} << "/srv/Video, new/ a b ";
        QTest::newRow("Chinese") << QList<int>{5, 6, 2, 0} << "/home/我/视频";
        QTest::newRow("quotes") << QList<int>{1, 2, 3, 0} << "/home/me/say \"hi\"/\"\"/\"";
    }
    void roundTrip() {
        QFETCH(QList<int>, positions);
        QFETCH(QString, folder);
        Controls saved;
        for (int i = 0; i < 4; ++i)
            saved.lists[i].setCurrentIndex(positions[i]);
        saved.path.setText(folder);
        SaveSettings(file(), saved.all());

        Controls loaded;
        LoadSettings(file(), loaded.all());
        QCOMPARE(loaded.positions(), positions);
        QCOMPARE(loaded.path.text(), folder);
    }

    void load_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QString>("folder");
        QTest::newRow("99 keeps that default only")
            << QByteArray("\"99\"\r\n\"5\"\r\n\"2\"\r\n\"3\"\r\n\"/out\"\r\n") << QList<int>{2, 5, 2, 3}
            << "/out";
        QTest::newRow("-1 keeps the default")
            << QByteArray("\"-1\"\r\n\"4\"\r\n\"0\"\r\n\"1\"\r\n\"/out\"\r\n") << QList<int>{2, 4, 0, 1}
            << "/out";
        QTest::newRow("halves go to even")
            << QByteArray("\"1.5\"\r\n\"2.5\"\r\n\"abc\"\r\n\"\"\r\n\"/out\"\r\n") << QList<int>{2, 2, 0, 1}
            << "/out";
        QTest::newRow("LF line ends, unquoted fields")
            << QByteArray(" 3 \n 7\n1\n2\n/with space \n") << QList<int>{3, 7, 1, 2} << "/with space";
        QTest::newRow("empty folder")
            << QByteArray("\"1\"\r\n\"1\"\r\n\"1\"\r\n\"1\"\r\n\"\"\r\n") << QList<int>{1, 1, 1, 1} << "";
        QTest::newRow("three lines only")
            << QByteArray("\"0\"\r\n\"0\"\r\n\"3\"\r\n") << QList<int>{0, 0, 3, 1} << "unchanged";
        QTest::newRow("empty file") << QByteArray() << kDefaults << "unchanged";
        QTest::newRow("binary junk") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18) << kDefaults
                                     << "unchanged";
        QTest::newRow("one very long line") << QByteArray(1 << 20, 'x') << kDefaults << "unchanged";
        QTest::newRow("doubled quotes")
            << QByteArray("\"1\"\r\n\"1\"\r\n\"1\"\r\n\"1\"\r\n\"/a \"\"b\"\"\"\r\n")
            << QList<int>{1, 1, 1, 1} << "/a \"b\"";
        QTest::newRow("good lines padded past 64 KiB")
            << QByteArray("\"1\"\r\n\"1\"\r\n\"1\"\r\n\"1\"\r\n\"/out\"\r\n")
                   .leftJustified(64 * 1024 + 1, ' ')
            << kDefaults << "unchanged";
        QTest::newRow("good lines padded to 64 KiB")
            << QByteArray("\"1\"\r\n\"1\"\r\n\"1\"\r\n\"1\"\r\n\"/out\"\r\n").leftJustified(64 * 1024, ' ')
            << QList<int>{1, 1, 1, 1} << "/out";
    }
    void load() {
        QFETCH(QByteArray, content);
        QFETCH(QList<int>, positions);
        QFETCH(QString, folder);
        writeFile(file(), content);
        Controls controls;
        controls.path.setText("unchanged");
        LoadSettings(file(), controls.all());
        QCOMPARE(controls.positions(), positions);
        QCOMPARE(controls.path.text(), folder);
    }

    void aMissingFileKeepsTheDefaults() {
        Controls controls;
        LoadSettings(m_dir.filePath("none.ini"), controls.all());
        QCOMPARE(controls.positions(), kDefaults);
    }

    void anUnwritableFolderKeepsTheOldFile() {
        RUN_UNPRIVILEGED();
        QTemporaryDir folder;
        const QString path = folder.filePath("setup.ini");
        writeFile(path, "\"0\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n\"/old\"\r\n");
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        Controls controls;
        controls.path.setText("/new");
        SaveSettings(path, controls.all());
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(readFile(path), QByteArray("\"0\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n\"/old\"\r\n"));
    }
};

QTEST_MAIN(TestSettingsFile)
#include "test_SettingsFile.moc"
