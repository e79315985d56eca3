#include "engine/ConversionSettings.h"
#include "platform/Platform.h"

#include <QProcess>
#include <QTest>

Q_DECLARE_METATYPE(EncoderOptions)

namespace {
EncoderOptions defaults() {
    using namespace ConversionSettings;
    const auto chosen = [](const SettingList& list) { return list.entries.at(list.defaultPosition); };
    return {chosen(VideoBitRate()), chosen(FrameRate()), chosen(FrameSize()), chosen(AudioBitRate())};
}
} // namespace

class TestConversionSettings : public QObject {
    Q_OBJECT

  private slots:
    void listsHoldTheirEntriesInOrder() {
        using namespace ConversionSettings;
        QCOMPARE(VideoBitRate().entries.size(), 13);
        QCOMPARE(FrameSize().entries.size(), 12);
        QCOMPARE(FrameRate().entries, QStringList({"14.985", "23.975", "25.0", "29.97"}));
        QCOMPARE(AudioBitRate().entries, QStringList({"64", "80", "96", "128", "256"}));
        QVERIFY(FrameSize().entries.indexOf("640x272") < FrameSize().entries.indexOf("480x480"));
    }

    void commandLine_data() {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<EncoderOptions>("options");
        QTest::addColumn<QString>("expected");
        QTest::newRow("defaults")
            << "/opt/conv" << defaults()
            << "/opt/conv/data/conv -i /s/tmpfile.dat -b 128 -y -r 14.985 -s 320x240 -ab 80 "
               "/s/tmpfile.mp4";
        QTest::newRow("last entries")
            << "/opt/conv" << EncoderOptions{"1500", "29.97", "720x320", "256"}
            << "/opt/conv/data/conv -i /s/tmpfile.dat -b 1500 -y -r 29.97 -s 720x320 -ab "
               "256 /s/tmpfile.mp4";
        QTest::newRow("25.0 kept")
            << "/p" << EncoderOptions{"128", "25.0", "320x240", "80"}
            << "/p/data/conv -i /s/tmpfile.dat -b 128 -y -r 25.0 -s 320x240 -ab 80 /s/tmpfile.mp4";
        QTest::newRow("nothing selected")
            << "/p" << EncoderOptions{"", "14.985", "320x240", "80"}
            << "/p/data/conv -i /s/tmpfile.dat -b  -y -r 14.985 -s 320x240 -ab 80 "
               "/s/tmpfile.mp4";
        QTest::newRow("folder with spaces")
            << "/home/a b/Movikon PRO" << defaults()
            << "\"/home/a b/Movikon PRO/data/conv\" -i /s/tmpfile.dat -b 128 -y -r "
               "14.985 -s 320x240 -ab 80 /s/tmpfile.mp4";
    }
    void commandLine() {
        QFETCH(QString, programFolder);
        QFETCH(EncoderOptions, options);
        QFETCH(QString, expected);
        // The encoder's name ends as executables do here (conv.exe on Windows).
        expected.replace("/data/conv", "/data/conv" + platform::ExecutableSuffix());
        QCOMPARE(EncoderCommandLine(programFolder, "/s/tmpfile.dat", "/s/tmpfile.mp4", options), expected);
    }

    void theSplitGivesEveryPathBackAsOneWord_data() {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("staging");
        QTest::newRow("plain") << "/opt/conv"
                               << "/c/staging";
        QTest::newRow("spaces") << "/home/a b/Movikon PRO"
                                << "/home/a b/.cache/slot 0";
        QTest::newRow("quote and tab") << "/x/say \"hi\""
                                       << "/x/a\tb";
    }
    void theSplitGivesEveryPathBackAsOneWord() {
        QFETCH(QString, programFolder);
        QFETCH(QString, staging);
        const QString source = staging + "/tmpfile.dat";
        const QString result = staging + "/tmpfile.mp4";
        const QStringList words =
            QProcess::splitCommand(EncoderCommandLine(programFolder, source, result, defaults()));
        QCOMPARE(words.size(), 13);
        QCOMPARE(words.first(), EncoderPath(programFolder));
        QCOMPARE(words.at(2), source);
        QCOMPARE(words.last(), result);
    }
};

QTEST_GUILESS_MAIN(TestConversionSettings)
#include "test_ConversionSettings.moc"
