#include "window/GetFile.h"

#include <QDir>
#include <QTest>

namespace {
// The rows are written with "/" for this system's separator and "|" for the other system's.
QString native(QString path) {
    const QChar foreign = QDir::separator() == u'/' ? u'\\' : u'/';
    return path.replace(u'/', QDir::separator()).replace(u'|', foreign);
}
} // namespace

class TestGetFile : public QObject {
    Q_OBJECT

  private slots:
    void names_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("baseName");
        QTest::newRow("plain") << "/videos/clip.avi"
                               << "clip.avi"
                               << "clip";
        QTest::newRow("first full stop counts") << "/videos/clip.part1.avi"
                                                << "clip.part1.avi"
                                                << "clip";
        QTest::newRow("leading full stop") << "/videos/.hidden.avi"
                                           << ".hidden.avi"
                                           << "";
        QTest::newRow("ends with a separator") << "/videos/new/"
                                               << ""
                                               << "";
        QTest::newRow("no separator") << "clip.avi"
                                      << "clip.avi"
                                      << "clip";
        QTest::newRow("no full stop") << "/videos/README"
                                      << "README"
                                      << "README";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("full stop in a folder only") << "/v.1/clip"
                                                    << "clip"
                                                    << "clip";
        QTest::newRow("the other system's separator is an ordinary character") << "/v/a|b.avi"
                                                                               << "a|b.avi"
                                                                               << "a|b";
        QTest::newRow("spaces and commas") << "/my videos/a, b c.wmv"
                                           << "a, b c.wmv"
                                           << "a, b c";
        QTest::newRow("Chinese") << "/视频/我的电影.mp4"
                                 << "我的电影.mp4"
                                 << "我的电影";
    }
    void names() {
        QFETCH(QString, path);
        QFETCH(QString, fileName);
        QFETCH(QString, baseName);
        QCOMPARE(GetFileName(native(path)), native(fileName));
        QCOMPARE(GetBaseName(native(path)), native(baseName));
    }
};

QTEST_GUILESS_MAIN(TestGetFile)
#include "test_GetFile.moc"
