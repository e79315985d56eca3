#include "WindowFixture.h"
#include "window/Skin.h"
#include "window/WindowShape.h"

#include <QBitmap>
#include <QComboBox>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QtMath>

namespace {
// Whether `image` shows `picture` (a null picture: shows none).
bool shows(const SkinImage* image, const SkinPicture& picture) {
    return image->Shown() == picture;
}

QPoint middle(const QWidget* widget) {
    return widget->rect().center();
}

QColor textColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}
} // namespace

class TestSkin : public QObject {
    Q_OBJECT

    const Skin m_skin;

  private slots:
    // Each picture is drawn in the size of the control that shows it, so none is stretched.
    void everyPictureIsThereInItsSize() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        QCOMPARE(m_skin.background.size(), window.form.size() + QSize(1, 1));
        for (const auto& pictures : {m_skin.imgButtonData, m_skin.imgButtonPush})
            for (int i = 0; i < 3; ++i)
                QCOMPARE(pictures[i].size(), window.imgButton[i]->size());
        for (const SkinPicture& picture :
             {m_skin.imgButtonNormal, m_skin.imgButtonMove, m_skin.imgButtonPush1})
            QCOMPARE(picture.size(), window.picFPS->size());
        for (const SkinPicture& picture :
             {m_skin.imgBrowseNormal, m_skin.imgBrowseMove, m_skin.imgBrowsePush})
            QCOMPARE(picture.size(), window.imgBrowse->size());
        QCOMPARE(m_skin.progress.size(), QSize(1, 15));
        QCOMPARE(m_skin.progress.At(1).toImage().pixelColor(0, 0), QColor(0xBB, 0xDA, 0xF7));
        QCOMPARE(m_skin.progress.At(1).toImage().pixelColor(0, 13), QColor(0x55, 0x83, 0xAD));
        QCOMPARE(m_skin.handPicture.size(), QSize(32, 32));
    }

    // Each screen gets the drawing made for its scale, or the next finer one: never one it must blow up,
    // unless it is finer than any.
    void everyPictureIsDrawnForEveryScale_data() {
        QTest::addColumn<double>("screen");
        QTest::addColumn<double>("drawnFor");
        QTest::newRow("100 %") << 1.0 << 1.0;
        QTest::newRow("110 %") << 1.1 << 1.25;
        QTest::newRow("125 %") << 1.25 << 1.25;
        QTest::newRow("150 %") << 1.5 << 1.5;
        QTest::newRow("175 %") << 1.75 << 1.75;
        QTest::newRow("200 %") << 2.0 << 2.0;
        QTest::newRow("300 %") << 3.0 << 2.0;
    }
    void everyPictureIsDrawnForEveryScale() {
        QFETCH(double, screen);
        QFETCH(double, drawnFor);
        QList<SkinPicture> pictures = {m_skin.background,     m_skin.imgButtonNormal, m_skin.imgButtonMove,
                                       m_skin.imgButtonPush1, m_skin.imgBrowseNormal, m_skin.imgBrowseMove,
                                       m_skin.imgBrowsePush,  m_skin.progress,        m_skin.handPicture};
        for (int i = 0; i < 3; ++i)
            pictures << m_skin.imgButtonData[i] << m_skin.imgButtonPush[i];
        for (const SkinPicture& picture : pictures) {
            const QPixmap drawing = picture.At(screen);
            QCOMPARE(drawing.devicePixelRatio(), drawnFor);
            QCOMPARE(drawing.size(), QSize(qCeil(picture.size().width() * drawnFor),
                                           qCeil(picture.size().height() * drawnFor)));
        }
        // The key colour keeps to the outside of the outline at every scale: the middle is the window's.
        const QImage background = m_skin.background.At(screen).toImage();
        QCOMPARE(background.pixelColor(0, 0), QColor(255, 0, 255));
        QVERIFY(background.pixelColor(background.width() / 2, background.height() / 2) !=
                QColor(255, 0, 255));
    }

    void onlyTheKeyColourIsSeeThrough() {
        QImage picture(3, 1, QImage::Format_RGB32);
        picture.setPixelColor(0, 0, QColor(255, 0, 255));
        picture.setPixelColor(1, 0, QColor(255, 0, 254));
        picture.setPixelColor(2, 0, QColor(44, 103, 155));
        const QRegion shape(KeyColourMask(picture));
        QVERIFY(!shape.contains(QPoint(0, 0)));
        QVERIFY(shape.contains(QPoint(1, 0)));
        QVERIFY(shape.contains(QPoint(2, 0)));

        const QImage background = m_skin.background.At(1).toImage();
        QCOMPARE(background.pixelColor(0, 0), QColor(255, 0, 255));     // first row and column
        QCOMPARE(background.pixelColor(293, 419), QColor(255, 0, 255)); // last row and column of the window
        QVERIFY(background.pixelColor(147, 200) != QColor(255, 0, 255));
    }

    void commandButtonsLightUpOneAtATime() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        QTest::mouseMove(window.imgButton[0], middle(window.imgButton[0]));
        QVERIFY(shows(window.imgButton[0], m_skin.imgButtonData[0]));
        QTest::mouseMove(window.imgButton[1], middle(window.imgButton[1]));
        QVERIFY(shows(window.imgButton[0], {}));
        QVERIFY(shows(window.imgButton[1], m_skin.imgButtonData[1]));
    }

    void aPressedCommandButtonStaysPressedUntilReleased() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        SkinImage* convert = window.imgButton[2];
        QTest::mousePress(convert, Qt::LeftButton, {}, middle(convert));
        QVERIFY(shows(convert, m_skin.imgButtonPush[2]));
        QVERIFY(window.pictures.bButtonDown);
        QTest::mouseMove(convert, middle(convert) + QPoint(3, 1));
        QTest::mouseMove(window.imgButton[1], middle(window.imgButton[1]));
        QVERIFY(shows(convert, m_skin.imgButtonPush[2]));
        QVERIFY(shows(window.imgButton[1], {}));
        QTest::mouseRelease(convert, Qt::LeftButton, {}, middle(convert)); // an empty queue: only the warning
        QVERIFY(shows(convert, m_skin.imgButtonData[2]));
        QVERIFY(!window.pictures.bButtonDown);
        QCOMPARE(fixture.desktop.events, QStringList{"warning:警告:请先添加文件"});
    }

    void aCommandFromTheCommandBoxLightsNothing() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        window.menuMsg->setText("b1");
        for (const SkinImage* button : window.imgButton)
            QVERIFY(shows(button, {}));
        // A text that ends in a letter runs nothing, and the next release lights nothing either.
        window.menuMsg->setText("bx");
        QTest::mouseClick(window.imgButton[1], Qt::LeftButton);
        QVERIFY(shows(window.imgButton[1], {}));
        QTest::mouseClick(window.imgButton[1], Qt::LeftButton);
        QVERIFY(shows(window.imgButton[1], m_skin.imgButtonData[1]));
    }

    void optionAndFolderButtons() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        for (const SkinImage* option : {window.picVBR, window.picSize, window.picFPS, window.picAB})
            QVERIFY(shows(option, m_skin.imgButtonNormal));
        QVERIFY(shows(window.imgBrowse, m_skin.imgBrowseNormal));

        QTest::mouseMove(window.picFPS, middle(window.picFPS));
        QVERIFY(shows(window.picFPS, m_skin.imgButtonMove));
        QTest::mousePress(window.picFPS, Qt::LeftButton, {}, middle(window.picFPS));
        QVERIFY(shows(window.picFPS, m_skin.imgButtonPush1));
        QTest::mouseMove(window.picFPS, middle(window.picFPS) + QPoint(1, 0));
        QVERIFY(shows(window.picFPS, m_skin.imgButtonMove));
        QTest::mouseRelease(window.picFPS, Qt::LeftButton, {}, middle(window.picFPS));
        QTRY_VERIFY(window.cmbFPS->view()->isVisible()); // the click opened its list
        window.cmbFPS->hidePopup();

        QTest::mouseClick(window.imgBrowse, Qt::LeftButton, {}, middle(window.imgBrowse));
        QVERIFY(shows(window.imgBrowse, m_skin.imgBrowsePush));
    }

    void theBackgroundResetsEverything() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        QTest::mouseMove(window.imgButton[0], middle(window.imgButton[0]));
        QTest::mouseMove(window.lblWeb, middle(window.lblWeb));
        QCOMPARE(textColour(window.lblWeb), QColor(Qt::black));
        QTest::mouseMove(window.picAB, middle(window.picAB));
        QTest::mouseMove(window.imgBrowse, middle(window.imgBrowse));

        QTest::mouseMove(&window.form, QPoint(5, 80)); // bare background
        QVERIFY(shows(window.imgButton[0], {}));
        QCOMPARE(textColour(window.lblWeb), QColor(0, 0, 255));
        QVERIFY(shows(window.picAB, m_skin.imgButtonNormal));
        QVERIFY(shows(window.imgBrowse, m_skin.imgBrowseNormal));
    }

    void theOptionButtonsLieOverTheirListsArrows() {
        WindowFixture fixture;
        WindowUnderTest& window = fixture.Open();
        for (auto [button, list] :
             {std::pair{window.picVBR, window.cmbVBR}, std::pair{window.picSize, window.cmbSize},
              std::pair{window.picFPS, window.cmbFPS}, std::pair{window.picAB, window.cmbAB}}) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            const QRect arrow =
                list->style()
                    ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, list)
                    .translated(list->pos());
            QVERIFY(button->geometry().contains(arrow.center()));
            QVERIFY(list->geometry().contains(button->geometry()));
        }
    }
};

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
