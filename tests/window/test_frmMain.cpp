#include "Files.h"
#include "Unprivileged.h"
#include "WindowFixture.h"
#include "engine/ConversionSettings.h"
#include "window/QtUserDialogs.h"
#include "window/SkinImage.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QToolTip>

namespace {
// What the queue's list shows, row by row: "name|type".
QStringList rows(const QTreeView* list) {
    QStringList shown;
    const QAbstractItemModel& model = *list->model();
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.index(row, 0).data().toString() + u'|' + model.index(row, 1).data().toString();
    return shown;
}

QStringList choices(const WindowUnderTest& window) {
    return {window.cmbVBR->currentText(), window.cmbSize->currentText(), window.cmbFPS->currentText(),
            window.cmbAB->currentText()};
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

  private slots:
    void firstStartShowsTheDefaults() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        QCOMPARE(window.form.windowTitle(), QStringLiteral("Movikon PRO"));
        QCOMPARE(window.form.size(), QSize(294, 420));
        QCOMPARE(choices(window), QStringList({"128", "320x240", "14.985", "80"}));
        QCOMPARE(window.txtPath->text(), fixture.Output());
        QVERIFY(QFileInfo(fixture.Output()).isDir());
        QCOMPARE(window.lblVersion->text(), QStringLiteral("Ver 1.0.0"));
        QVERIFY(window.lblWeb->isVisible() && !window.lblWeb->text().isEmpty());
        QCOMPARE(window.lblPB->text(), QStringLiteral("0%"));
        QVERIFY(!window.imgPB->isVisible());
        QVERIFY(window.picDragText->isVisible());
        QCOMPARE(window.LV->model()->rowCount(), 0);
        QCOMPARE(window.LV->model()->headerData(0, Qt::Horizontal), QStringLiteral("文件名"));
        QCOMPARE(window.LV->model()->headerData(1, Qt::Horizontal), QStringLiteral("类型"));
        QVERIFY(!window.menuMsg->isVisible());
        QVERIFY(fixture.desktop.events.isEmpty());
    }

    void startUpReadsTheSettingsAndClearsTheStaging() {
        WindowFixture fixture;
        writeFile(fixture.programFolder.filePath("setup.ini"),
                  "\"12\"\r\n\"99\"\r\n\"3\"\r\n\"-1\"\r\n\"\"\r\n");
        QDir().mkpath(fixture.Staging());
        writeFile(fixture.Staging() + "/tmpfile.dat", "left over");
        writeFile(fixture.Staging() + "/tmpfile.mp4", "left over");
        // What a program killed while it published left in the output folder.
        QProcess killed;
        killed.start(QStringLiteral(CHATTER_PATH), {});
        QVERIFY(killed.waitForStarted());
        const QString leftover = QStringLiteral("/.movikon-%1-0123abcd.part").arg(killed.processId());
        QVERIFY(killed.waitForFinished());
        QVERIFY(QDir().mkpath(fixture.Output()));
        writeFile(fixture.Output() + leftover, "half a result");
        WindowUnderTest& window = fixture.Open();
        QCOMPARE(choices(window), QStringList({"1500", "320x240", "29.97", "80"}));
        QCOMPARE(window.txtPath->text(), fixture.Output());
        QVERIFY(QDir(fixture.Staging()).isEmpty());
        QVERIFY(!QFile::exists(fixture.Output() + leftover));
    }

    void addAppendsWhatTheDialogReturns() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        // Several files at once, in the dialog's order; a cancel adds nothing.
        fixture.desktop.openAnswers << "/v/a.avi"
                                    << "/v/a.avi\n/v/b.mpeg"
                                    << "/w/c.ts "
                                    << "";
        for (int i = 0; i < 4; ++i)
            QTest::mouseClick(window.imgButton[0], i % 2 ? Qt::RightButton : Qt::LeftButton);
        QCOMPARE(rows(window.LV),
                 QStringList({"/v/a.avi|AVI", "/v/a.avi|AVI", "/v/b.mpeg|PEG", "/w/c.ts |.TS"}));
        QCOMPARE(fixture.Queue(), QStringList({"/v/a.avi", "/v/a.avi", "/v/b.mpeg", "/w/c.ts "}));
        QVERIFY(!window.picDragText->isVisible());
        const QStringList dialogs = fixture.desktop.Only("open-dialog");
        QCOMPARE(dialogs.size(), 4);
        // Every kind of video first, then each kind by name; at first where the dialog chooses, then where
        // the last file was picked.
        QVERIFY2(dialogs.first().startsWith("open-dialog:Open Files::视频文件|*.avi;*.flv;*.wmv;"),
                 qPrintable(dialogs.first()));
        for (const QString kind : {"*.mkv;", "*.rmvb;", "*.3g2;", "*.m2ts;", "*.webm;", "*.ogv;", "*.f4v;"})
            QVERIFY2(dialogs.first().contains(kind), qPrintable(kind));
        QVERIFY(dialogs.first().contains("|AVI格式(*.AVI)|*.avi|FLV格式(*.FLV)|*.flv|"));
        QVERIFY(dialogs.first().endsWith("|所有格式(*.*)|*.*:200208"));
        const auto folderOf = [](const char* file) {
            return QDir::toNativeSeparators(QFileInfo(file).absolutePath());
        };
        QVERIFY(dialogs.at(2).startsWith("open-dialog:Open Files:" + folderOf("/v/a.avi") + ":"));
        QVERIFY(dialogs.at(3).startsWith("open-dialog:Open Files:" + folderOf("/w/c.ts") + ":"));
    }

    void aCancelledDialogLeavesTheHintAsItWas() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        fixture.Command(0);
        QVERIFY(window.picDragText->isVisible());
        QCOMPARE(window.queue.Count(), 0);
    }

    void removeTakesTheSelectedRowAndItsPath() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        fixture.Drop({"/v/1.avi", "/v/2.avi", "/v/3.avi", "/v/4.avi", "/v/5.avi"});

        fixture.Command(1); // nothing selected: nothing removed
        QCOMPARE(window.queue.Count(), 5);

        window.LV->setCurrentIndex(window.queue.index(2, 0));
        QTest::mouseClick(window.imgButton[1], Qt::LeftButton);
        QCOMPARE(fixture.Queue(), native(QStringList({"/v/1.avi", "/v/2.avi", "/v/4.avi", "/v/5.avi"})));
        QCOMPARE(rows(window.LV),
                 native(QStringList({"/v/1.avi|AVI", "/v/2.avi|AVI", "/v/4.avi|AVI", "/v/5.avi|AVI"})));
        QVERIFY(!window.picDragText->isVisible());

        while (window.queue.Count()) {
            window.LV->setCurrentIndex(window.queue.index(0, 0));
            fixture.Command(1);
        }
        QCOMPARE(window.queue.Count(), 0);
        QVERIFY(window.picDragText->isVisible());
    }

    void theCommandBoxRunsOnlyDigits() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        window.menuMsg->setText("b");
        QVERIFY(window.pictures.bFromMenuMsg); // stays set until the next command
        QVERIFY(fixture.desktop.events.isEmpty());
        window.menuMsg->setText("run 7"); // a digit with no command: only the common steps
        QVERIFY(!window.pictures.bFromMenuMsg);
        QVERIFY(fixture.desktop.events.isEmpty());
        window.menuMsg->setText("x2");
        QCOMPARE(fixture.desktop.events, QStringList{"warning:警告:请先添加文件"});
        QVERIFY(window.imgButton[2]->isEnabled() && window.LV->isEnabled() && window.imgBrowse->isEnabled());
    }

    void theFolderButtonTakesTheChosenFolder() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        fixture.desktop.folderAnswers << "/home/me/Videos"
                                      << "";
        QTest::mouseClick(window.imgBrowse, Qt::LeftButton);
        QCOMPARE(window.txtPath->text(), QStringLiteral("/home/me/Videos"));
        QTest::mouseClick(window.imgBrowse, Qt::LeftButton);
        QCOMPARE(window.txtPath->text(), QStringLiteral("/home/me/Videos"));
        QCOMPARE(fixture.desktop.Only("folder-dialog").size(), 2);
        QCOMPARE(fixture.desktop.events.first(), QStringLiteral("folder-dialog:Please select a folder:"));
    }

    void theTitleAreaAndTheLink() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        QCOMPARE(window.imgMin->toolTip(), QStringLiteral("最小化"));
        QCOMPARE(window.imgExit->toolTip(), QStringLiteral("退出"));
        QCOMPARE(window.lblWeb->cursor().hotSpot(), QPoint(6, 0));
        QTest::mouseClick(window.lblWeb, Qt::LeftButton);
        QCOMPARE(fixture.desktop.events.size(), 1);
        QVERIFY(fixture.desktop.events.first().startsWith("open:https://"));
        QTest::mouseClick(window.imgMin, Qt::LeftButton);
        QTRY_VERIFY(window.form.isMinimized());
    }

    void onlyTheCloseMarkSavesTheSettings() {
        WindowFixture fixture;
        const QString settings = fixture.programFolder.filePath("setup.ini");
        {
            WindowUnderTest& window = fixture.Open();
            window.cmbSize->setCurrentIndex(9);
            window.form.close();
        }
        QVERIFY(!QFile::exists(settings));

        WindowUnderTest& window = fixture.Open();
        window.cmbSize->setCurrentIndex(9);
        window.cmbAB->setCurrentIndex(4);
        window.txtPath->setText("/srv/Video, new");
        QTest::mouseClick(window.imgExit, Qt::LeftButton);
        QVERIFY(!window.form.isVisible());
        QFile file(settings);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\"2\"\r\n\"9\"\r\n\"0\"\r\n\"4\"\r\n\"/srv/Video, new\"\r\n"));

        WindowUnderTest& again = fixture.Open();
        QCOMPARE(choices(again), QStringList({"128", "640x480", "14.985", "256"}));
        QCOMPARE(again.txtPath->text(), QStringLiteral("/srv/Video, new"));
    }

    void aReadOnlyProgramFolderKeepsItsSettingsWithTheUser() {
        RUN_UNPRIVILEGED();
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        WindowFixture fixture;
        QFile::setPermissions(fixture.programFolder.path(), QFile::ReadOwner | QFile::ExeOwner);
        WindowUnderTest& window = fixture.Open();
        const QString videos = home.filePath("Videos/Movikon");
        QCOMPARE(window.txtPath->text(), videos);
        QVERIFY(QFileInfo(videos).isDir());
        QTest::mouseClick(window.imgExit, Qt::LeftButton);
        const QString settings = home.filePath(".config/movikon/setup.ini");
        QVERIFY2(settings.startsWith(home.path()), qPrintable(settings));
        QVERIFY(QFile::exists(settings));
        QFile::setPermissions(fixture.programFolder.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!QFile::exists(fixture.programFolder.filePath("setup.ini")));
        QVERIFY(!QFile::exists(fixture.Output()));
    }

    void droppedFilesJoinTheQueueInOrder() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();

        QCOMPARE(Drop(window.Label1, Files({"/v/a.avi"})), Qt::CopyAction);
        QVERIFY(!window.picDragText->isVisible());
        QCOMPARE(Drop(window.LV->viewport(), Files({"/v/b.wmv", "/v/c.mpeg", "/v/a.avi", "/v/notes.txt"})),
                 Qt::CopyAction);
        auto* text = new QMimeData;
        text->setText("/v/not-a-file-list.avi");
        QCOMPARE(Drop(window.LV->viewport(), text), Qt::CopyAction);

        // Dropped files are taken as they are, whatever their kind.
        QCOMPARE(fixture.Queue(),
                 native(QStringList({"/v/a.avi", "/v/b.wmv", "/v/c.mpeg", "/v/a.avi", "/v/notes.txt"})));
        QCOMPARE(rows(window.LV).at(2), native("/v/c.mpeg|PEG"));
        QCOMPARE(rows(window.LV).at(4), native("/v/notes.txt|TXT"));
    }

    void droppedFoldersQueueTheVideosInside() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        QTemporaryDir tree;
        for (const QString name :
             {"第10集.mp4", "第2集.mp4", "第１集.mp4", "第２０集.mp4", "第二集.mp4", "clip 10.avi",
              "clip 2.AVI", "clip 02.avi", "notes.txt", "cover.jpg", ".hidden.mp4", "sub/b.mkv", "sub/a.ts",
              "sub/deeper/x.webm", "Sub2/y.3gp", "Sub2/readme"}) {
            QDir().mkpath(QFileInfo(tree.filePath(name)).path());
            writeFile(tree.filePath(name), "a clip");
        }
        const QString empty = tree.filePath("Sub2/nothing here");
        QVERIFY(QDir().mkpath(empty));
        Drop(window.LV->viewport(), Files({tree.path(), "/v/notes.txt", empty}));
        // Full-width digits count as digits; Chinese numerals are words, and come after the numbers.
        const QStringList inTree{"clip 02.avi", "clip 2.AVI", "clip 10.avi",       "第１集.mp4",
                                 "第2集.mp4",   "第10集.mp4", "第２０集.mp4",      "第二集.mp4",
                                 "sub/a.ts",    "sub/b.mkv",  "sub/deeper/x.webm", "Sub2/y.3gp"};
        QStringList expected;
        for (const QString& name : inTree)
            expected << native(tree.filePath(name));
        QCOMPARE(fixture.Queue(), expected << native("/v/notes.txt"));
        // A folder without a video says so where the drop landed.
        QCOMPARE(QToolTip::text(), QStringLiteral("文件夹中没有视频文件：nothing here"));

        Drop(window.LV->viewport(), Files({empty}));
        QCOMPARE(fixture.Queue().size(), expected.size());

        // Videos only where they cannot be read: that is what is said, not that there are none.
        const QString locked = tree.filePath("locked/inner");
        QVERIFY(QDir().mkpath(locked));
        writeFile(locked + "/clip.mp4", "a clip");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        if (QDir(locked).isReadable()) {
            QFile::setPermissions(locked,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QSKIP("permissions do not keep this user out (root, or a system without them)");
        }
        Drop(window.LV->viewport(), Files({tree.filePath("locked")}));
        QFile::setPermissions(locked,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(QToolTip::text(), QStringLiteral("无法读取文件夹中的内容：locked"));
        QCOMPARE(fixture.Queue().size(), expected.size());
    }

    void theEndReportFitsOnTheScreenHoweverManyFailed() {
        QStringList lines;
        for (int i = 0; i < 1000; ++i)
            lines << QStringLiteral("/videos/第%1集.avi — 不是视频文件，或不支持这种格式。").arg(i);
        const auto box = QtUserDialogs::ReportBox(QStringLiteral("1000 个文件未能转换。"), lines, nullptr);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        const QRect shown = box->frameGeometry();
        QString summary;
        for (const QLabel* label : box->findChildren<QLabel*>())
            summary += label->text();
        const QString listed = box->findChild<QPlainTextEdit*>()->toPlainText();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(shown.height() <= screen.height() / 2 && shown.width() <= screen.width(),
                 qPrintable(QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height())));
        QCOMPARE(summary, QStringLiteral("1000 个文件未能转换。"));
        QCOMPARE(listed, lines.join(u'\n'));
    }

    void aDropOnTheHintBoxHidesIt() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        auto* text = new QMimeData;
        text->setText("words");
        QCOMPARE(Drop(window.picDragText, text), Qt::CopyAction);
        QVERIFY(window.picDragText->isVisible());
        QCOMPARE(Drop(window.picDragText, Files({"/v/a.flv"})), Qt::CopyAction);
        QVERIFY(!window.picDragText->isVisible());
        QCOMPARE(rows(window.LV), native(QStringList{"/v/a.flv|FLV"}));
    }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmMain.moc"
