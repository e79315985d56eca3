// The window without a pointer: the keyboard's focus, Space and Enter, the shortcuts, and what a screen
// reader finds and hears.
#include "Files.h"
#include "WindowFixture.h"
#include "engine/BatchDriver.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {
QAccessibleInterface* accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

// What a screen reader calls `widget` (a list on Linux: its shown entry), or its class where it has no name.
QString nameOf(QWidget* widget) {
    const QString name = accessible(widget)->text(QAccessible::Name);
    return name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name;
}

// What a screen reader was told, as "event:name" lines.
QStringList g_heard;
void hear(QAccessibleEvent* event) {
    QAccessibleInterface* source = event->accessibleInterface();
    const QString name = source ? source->text(QAccessible::Name) : QString();
    switch (event->type()) {
    case QAccessible::Alert:
        g_heard << QStringLiteral("alert:%1:%2").arg(name, source->text(QAccessible::Value));
        break;
    case QAccessible::ValueChanged:
        g_heard << QStringLiteral("value:%1:%2")
                       .arg(name)
                       .arg(static_cast<QAccessibleValueChangeEvent*>(event)->value().toInt());
        break;
    default:
        break;
    }
}
} // namespace

class TestAccess : public QObject {
    Q_OBJECT

    // The window, shown and active, with the keyboard's focus where it starts.
    WindowUnderTest& open(WindowFixture& fixture) {
        WindowUnderTest& window = fixture.Open();
        QApplication::setActiveWindow(&window.form);
        if (!QTest::qWaitForWindowActive(&window.form))
            qWarning("the window did not become active");
        return window;
    }

  private slots:
    void initTestCase() {
        // As when a screen reader is running: the window's objects report their changes.
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        QAccessible::installUpdateHandler(hear);
    }

    void tabGoesThroughEveryControlInReadingOrder() {
        WindowFixture fixture;
        WindowUnderTest& window = open(fixture);
        const QList<QWidget*> order = {
            window.LV,      window.imgButton[0], window.imgButton[1], window.imgButton[2], window.cmbVBR,
            window.cmbSize, window.cmbFPS,       window.cmbAB,        window.txtPath,      window.imgBrowse,
            window.lblWeb,  window.imgMin,       window.imgExit};
        QCOMPARE(QApplication::focusWidget(), window.LV);
        QStringList forward, backward;
        for (int i = 0; i < order.size(); ++i) {
            forward << nameOf(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), window.LV); // round again
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
            backward.prepend(nameOf(QApplication::focusWidget()));
        }
        QStringList expected;
        for (QWidget* widget : order)
            expected << nameOf(widget);
        QCOMPARE(forward, expected);
        QCOMPARE(backward, expected);
    }

    void aFocusedPictureShowsAMark() {
        WindowFixture fixture;
        WindowUnderTest& window = open(fixture);
        const QImage unfocused = window.imgButton[1]->grab().toImage();
        window.imgButton[1]->setFocus(Qt::TabFocusReason);
        const QImage focused = window.imgButton[1]->grab().toImage();
        QVERIFY(focused != unfocused);
        // A click leaves the keyboard's focus where it was.
        QTest::mouseClick(window.imgButton[0], Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), window.imgButton[1]);
    }

    void spaceAndEnterRunAPictureCommandAsAClickDoes_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("outcome");
        for (const auto& [key, keyName] :
             {std::pair{int(Qt::Key_Space), "Space"}, std::pair{int(Qt::Key_Return), "Enter"}}) {
            const auto row = [&](const char* command, const char* outcome) {
                QTest::addRow("%s %s", command, keyName) << command << key << outcome;
            };
            row("添加文件", "open-dialog:Open Files");
            row("移除文件", "removed");
            row("开始转换", "warning:警告:请先添加文件");
            row("浏览", "folder-dialog:Please select a folder:");
            row("www.movikon.example", "open:https://www.movikon.example/");
            row("最小化", "minimised");
            row("退出", "saved and closed");
        }
    }
    void spaceAndEnterRunAPictureCommandAsAClickDoes() {
        QFETCH(QString, command);
        QFETCH(int, key);
        QFETCH(QString, outcome);
        WindowFixture fixture;
        WindowUnderTest& window = open(fixture);
        if (command == "移除文件") {
            fixture.Drop({"/v/a.avi", "/v/b.avi"});
            window.LV->setCurrentIndex(window.queue.index(0, 0));
        }
        SkinImage* target = nullptr;
        for (SkinImage* image : window.form.findChildren<SkinImage*>())
            if (accessible(image)->text(QAccessible::Name) == command)
                target = image;
        QVERIFY(target);
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, Qt::Key(key));

        if (outcome == "removed") {
            QCOMPARE(fixture.Queue(), QStringList{QDir::toNativeSeparators("/v/b.avi")});
        } else if (outcome == "minimised") {
            QTRY_VERIFY(window.form.isMinimized());
        } else if (outcome == "saved and closed") {
            QVERIFY(!window.form.isVisible());
            QVERIFY(QFile::exists(fixture.programFolder.filePath("setup.ini")));
        } else {
            QCOMPARE(fixture.desktop.events.size(), 1);
            QVERIFY2(fixture.desktop.events.first().startsWith(outcome),
                     qPrintable(fixture.desktop.events.first()));
        }
    }

    void shortcutsRunTheQueueCommands() {
        WindowFixture fixture(FAKECONV_PATH);
        WindowUnderTest& window = open(fixture);
        QTemporaryDir sources;
        const auto source = [&](const QString& name) {
            writeFile(sources.filePath(name), "a clip");
            return QDir::toNativeSeparators(sources.filePath(name)); // as the dialog and a drop give it
        };
        const QString a = source("a.avi"), b = source("b.avi"), c = source("c.avi");
        fixture.desktop.openAnswers << a;
        QTest::keyClick(&window.form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(fixture.Queue(), QStringList{a});
        for (const SkinImage* button : window.imgButton)
            QVERIFY(button->Shown().isNull()); // the pointer is elsewhere: nothing lights up

        fixture.Drop({b, c});
        window.LV->setFocus();
        window.LV->setCurrentIndex(window.queue.index(1, 0));
        window.cmbAB->setFocus();
        QTest::keyClick(window.cmbAB, Qt::Key_Delete); // Delete belongs to the list alone
        QCOMPARE(fixture.Queue().size(), 3);
        window.LV->setFocus();
        QTest::keyClick(window.LV, Qt::Key_Delete);
        QCOMPARE(fixture.Queue(), QStringList({a, c}));

        // Ctrl+Enter converts. While the batch runs, Ctrl+O still queues, Delete spares the file converting,
        // and Ctrl+Enter starts nothing more.
        const FakeConvMode encoder("hang");
        const QString late = source("late.avi");
        int batchesStarted = 0;
        connect(&window.batch, &BatchDriver::RunningChanged, this,
                [&](bool running) { batchesStarted += running; });
        QTimer::singleShot(300, this, [&] {
            fixture.desktop.openAnswers << late;
            QTest::keyClick(&window.form, Qt::Key_O, Qt::ControlModifier);
            window.LV->setFocus();
            window.LV->setCurrentIndex(window.queue.index(0, 0));
            QTest::keyClick(window.LV, Qt::Key_Delete);
            QTest::keyClick(&window.form, Qt::Key_Return, Qt::ControlModifier);
            window.batch.Abort();
        });
        QTest::keyClick(&window.form, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QTRY_VERIFY(!window.batch.IsRunning());
        QCOMPARE(fixture.Queue(), QStringList({a, c, late}));
        QCOMPARE(batchesStarted, 1);
    }

    void f4AndAltDownOpenTheFocusedPicker() {
        WindowFixture fixture;
        WindowUnderTest& window = open(fixture);
        for (const auto& [key, modifiers] :
             {std::pair{Qt::Key_F4, Qt::KeyboardModifiers()},
              std::pair{Qt::Key_Down, Qt::KeyboardModifiers(Qt::AltModifier)}}) {
            window.cmbFPS->setFocus(Qt::TabFocusReason);
            QTest::keyClick(window.cmbFPS, key, modifiers);
            QTRY_VERIFY(window.cmbFPS->view()->isVisible());
            window.cmbFPS->hidePopup();
            QTRY_VERIFY(!window.cmbFPS->view()->isVisible());
        }
    }

    void everyControlHasANameAndARole() {
        WindowFixture fixture;
        WindowUnderTest& window = open(fixture);
        const QList<std::tuple<QWidget*, QString, QAccessible::Role>> controls = {
            {window.imgButton[0], "添加文件", QAccessible::Button},
            {window.imgButton[1], "移除文件", QAccessible::Button},
            {window.imgButton[2], "开始转换", QAccessible::Button},
            {window.cmbVBR, "视频比特率 (Kbps)", QAccessible::ComboBox},
            {window.cmbSize, "屏幕尺寸 (W x H)", QAccessible::ComboBox},
            {window.cmbFPS, "帧率 (FPS)", QAccessible::ComboBox},
            {window.cmbAB, "音频比特率 (Kbps)", QAccessible::ComboBox},
            {window.txtPath, "输出路径", QAccessible::EditableText},
            {window.imgBrowse, "浏览", QAccessible::Button},
            {window.imgMin, "最小化", QAccessible::Button},
            {window.imgExit, "退出", QAccessible::Button},
            {window.lblWeb, "www.movikon.example", QAccessible::Link},
            {window.LV, "文件列表", QAccessible::Tree},
            {window.lblPB, "转换进度", QAccessible::ProgressBar},
        };
        for (const auto& [widget, name, role] : controls) {
            QAccessibleInterface* control = accessible(widget);
            QVERIFY(control);
            // A field is named by its caption: a screen reader on Linux finds it as the field's label, one
            // on Windows as its name.
            QStringList labels;
            for (const auto& [label, relation] : control->relations(QAccessible::Label))
                labels << label->text(QAccessible::Name);
            QVERIFY2(control->text(QAccessible::Name) == name || labels == QStringList{name},
                     qPrintable(name + ": " + control->text(QAccessible::Name) + " / " + labels.join(", ")));
            QCOMPARE(control->role(), role);
            QVERIFY2(!control->state().invisible, qPrintable(name));
        }
        // The commands can be pressed by a screen reader, through the same handling as a click.
        QAccessibleInterface* convert = accessible(window.imgButton[2]);
        QVERIFY(
            convert->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        convert->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(fixture.desktop.events, QStringList{"warning:警告:请先添加文件"});
        // The small pictures over the pickers' arrows are the pickers' own: a screen reader passes them over.
        QVERIFY(accessible(window.picFPS)->state().invisible);
    }

    void theProgressBarTellsItsValueAndTheEndIsAnnounced() {
        WindowFixture fixture(FAKECONV_PATH);
        WindowUnderTest& window = open(fixture);
        fixture.Drop({"/dev/null"});
        g_heard.clear();
        fixture.Command(2);
        QTRY_VERIFY(!window.batch.IsRunning());
        QAccessibleInterface* bar = accessible(window.lblPB);
        QCOMPARE(bar->valueInterface()->currentValue().toInt(), 100);
        QCOMPARE(bar->valueInterface()->maximumValue().toInt(), 100);
        QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("完成."));
        QVERIFY2(g_heard.contains("value:转换进度:100"), qPrintable(g_heard.join(" | ")));
        QCOMPARE(g_heard.last(), QStringLiteral("alert:转换进度:完成."));
        QCOMPARE(g_heard.filter("alert:").size(), 1);
    }
};

QTEST_MAIN(TestAccess)
#include "test_access.moc"
