#include "dialogs/COMDLG.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QString kFilter =
    QStringLiteral("视频文件|*.avi;*.mkv;*.ts|AVI格式(*.AVI)|*.avi|FLV格式(*.FLV)|*.flv|WMV格式(*.wmv)|*.wmv|"
                   "MOV格式(*.mov)|*.mov|"
                   "DAT格式(*.dat)|*.dat|"
                   "ASF格式(*.asf)|*.asf|MPG格式(*.mpg)|*.mpg|MP4格式(*.mp4)|*.mp4|所有格式(*.*)|*.*");

struct Seen {
    QString folder;
    QString selectedFilter;
    QStringList filters;
};

// Shows the dialog; `answer` plays the person: it gets the dialog and accepts or rejects it.
QStringList showAndAnswer(QString& initialDir, quint32 flags, Seen& seen,
                          const std::function<void(QFileDialog*)>& answer) {
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = {QDir(dialog->directory()).absolutePath(), dialog->selectedNameFilter(),
                dialog->nameFilters()};
        answer(dialog);
    });
    return COMDLG::ShowOpenDialog(nullptr, "Open Files", initialDir, kFilter, flags);
}
} // namespace

class TestCOMDLG : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

  private slots:
    void initialFolder_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("used");
        // Among the user's videos, never in the program's own folder.
        const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        const QString program =
            QDir::toNativeSeparators(QFileInfo(videos).isDir() ? videos : QDir::homePath());
        QVERIFY(program != QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        QTest::newRow("empty") << "" << program;
        QTest::newRow("blank") << "   " << program;
        const QString folder = QDir::toNativeSeparators(m_dir.path());
        QTest::newRow("existing, without separator") << folder << folder + QDir::separator();
        QTest::newRow("existing, with separator") << folder + QDir::separator() << folder + QDir::separator();
        QTest::newRow("missing") << m_dir.filePath("missing") << program;
        QTest::newRow("a file") << QCoreApplication::applicationFilePath() << program;
    }
    void initialFolder() {
        QFETCH(QString, given);
        QFETCH(QString, used);
        QString initialDir = given;
        QCOMPARE(COMDLG::ResolveInitialDir(initialDir), used);
        QCOMPARE(initialDir, used);
    }

    void filtersKeepTheirOrderAndMatchUpperCase() {
        const QStringList filters = COMDLG::NameFilters(kFilter);
        QCOMPARE(filters.size(), 10);
        QCOMPARE(filters.first(), QStringLiteral("视频文件 (*.avi *.AVI *.mkv *.MKV *.ts *.TS)"));
        QCOMPARE(filters.at(1), QStringLiteral("AVI格式(*.AVI) (*.avi *.AVI)"));
        QCOMPARE(filters.at(8), QStringLiteral("MP4格式(*.mp4) (*.mp4 *.MP4)"));
        QCOMPARE(filters.last(), QStringLiteral("所有格式(*.*) (*.*)"));
        QVERIFY(QDir::match(QStringList{"*.avi", "*.AVI"}, "CLIP.AVI"));
    }

    void theDialogStartsWhereAskedAndReturnsTheTypedName() {
        const QString before = QDir::currentPath();
        QString initialDir = QDir::toNativeSeparators(m_dir.path());
        Seen seen;
        const QString typed = QDir::toNativeSeparators(m_dir.filePath("not-yet-there.avi"));
        const QStringList chosen = showAndAnswer(initialDir, COMDLG::OFN_NOCHANGEDIR | COMDLG::OFN_LONGNAMES,
                                                 seen, [&](QFileDialog* dialog) {
                                                     dialog->selectFile(typed);
                                                     QMetaObject::invokeMethod(dialog, "accept");
                                                 });
        QCOMPARE(chosen, QStringList{typed});
        QCOMPARE(seen.folder, m_dir.path());
        QCOMPARE(seen.filters, COMDLG::NameFilters(kFilter));
        QCOMPARE(seen.selectedFilter, QStringLiteral("视频文件")); // the label as shown
        QCOMPARE(initialDir, QDir::toNativeSeparators(m_dir.path()) + QDir::separator());
        QCOMPARE(QDir::currentPath(), before);
    }

    void cancellingReturnsNothing() {
        QString initialDir;
        Seen seen;
        QCOMPARE(showAndAnswer(initialDir, 0, seen, [](QFileDialog* dialog) { dialog->reject(); }),
                 QStringList());
        QVERIFY(seen.folder != QCoreApplication::applicationDirPath());
    }

    void severalFilesAtOnceInTheirOrder() {
        QString initialDir = m_dir.path();
        QStringList made;
        for (const QString name : {"b.avi", "a clip.mkv"}) {
            made << QDir::toNativeSeparators(m_dir.filePath(name));
            QFile(made.last()).open(QIODevice::WriteOnly);
        }
        Seen seen;
        const QStringList chosen =
            showAndAnswer(initialDir, COMDLG::OFN_ALLOWMULTISELECT, seen, [&](QFileDialog* dialog) {
                dialog->selectFile("\"b.avi\" \"a clip.mkv\"");
                QMetaObject::invokeMethod(dialog, "accept");
            });
        QCOMPARE(chosen, made);
    }
};

QTEST_MAIN(TestCOMDLG)
#include "test_COMDLG.moc"
