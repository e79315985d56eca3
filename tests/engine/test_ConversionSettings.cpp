#include "engine/ConversionSettings.h"
#include "platform/Platform.h"

#include <QProcess>
#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(EncoderOptions)

namespace {
EncoderOptions defaults() {
    EncoderOptions options;
    for (std::size_t i = 0; i < kSettingCount; ++i)
        options[Setting(i)] =
            ConversionSettings::All()[i].entries.at(ConversionSettings::All()[i].defaultPosition);
    return options;
}
} // namespace

class TestConversionSettings : public QObject {
    Q_OBJECT

  private slots:
    void listsHoldTheirEntriesInOrder() {
        using ConversionSettings::Of;
        QCOMPARE(Of(Setting::VideoBitRate).entries.size(), 13);
        QCOMPARE(Of(Setting::FrameSize).entries.size(), 12);
        QCOMPARE(Of(Setting::FrameRate).entries, QStringList({"14.985", "23.975", "25.0", "29.97"}));
        QCOMPARE(Of(Setting::AudioBitRate).entries, QStringList({"64", "80", "96", "128", "256"}));
        const QStringList& sizes = Of(Setting::FrameSize).entries;
        QVERIFY(sizes.indexOf("640x272") < sizes.indexOf("480x480"));
    }

    // The table's other columns: each setting has its own name and conv flag, and its default
    // is one of its entries.
    void eachSettingIsNamedOnce() {
        QSet<QString> names, flags;
        for (const SettingDefinition& setting : ConversionSettings::All()) {
            names << setting.name;
            flags << setting.convFlag;
            QVERIFY(setting.defaultPosition >= 0 && setting.defaultPosition < setting.entries.size());
            QVERIFY(!setting.caption.isEmpty());
        }
        QCOMPARE(names.size(), int(kSettingCount));
        QCOMPARE(flags.size(), int(kSettingCount));
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
            << "/opt/conv"
            << EncoderOptions{.videoBitRate = "1500",
                              .frameSize = "720x320",
                              .frameRate = "29.97",
                              .audioBitRate = "256"}
            << "/opt/conv/data/conv -i /s/tmpfile.dat -b 1500 -y -r 29.97 -s 720x320 -ab "
               "256 /s/tmpfile.mp4";
        QTest::newRow("25.0 kept")
            << "/p"
            << EncoderOptions{.videoBitRate = "128",
                              .frameSize = "320x240",
                              .frameRate = "25.0",
                              .audioBitRate = "80"}
            << "/p/data/conv -i /s/tmpfile.dat -b 128 -y -r 25.0 -s 320x240 -ab 80 /s/tmpfile.mp4";
        QTest::newRow("nothing selected")
            << "/p"
            << EncoderOptions{.videoBitRate = "",
                              .frameSize = "320x240",
                              .frameRate = "14.985",
                              .audioBitRate = "80"}
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
