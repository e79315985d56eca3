#include "Files.h"
#include "Media.h"
#include "Processes.h"
#include "RecordingNotices.h"
#include "conv/ConvProtocol.h"
#include "conv/Mp4Header.h"
#include "conv/Subtitles.h"
#include "engine/ConvMessages.h"
#include "engine/ConversionSettings.h"
#include "engine/DOSOutputs.h"
#include "engine/ProgressParser.h"
#include "platform/Platform.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <tuple>

namespace {
const QString kConv = QStringLiteral(PROGRAM_FOLDER "/data/conv");

struct Run {
    int exitCode;
    QString output;
};

Run conv(const QStringList& arguments,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(kConv, arguments);
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())}; // conv speaks the system's encoding
}

QStringList convArguments(const QString& input, const QString& output, const QString& rate = "25.0",
                          const QString& size = "176x144") {
    return {"-i", input, "-b", "200", "-y", "-r", rate, "-s", size, "-ab", "64", output};
}

// The failure conv's last line names, if it names one.
std::optional<ConvFailure> failureSaid(const QString& output) {
    return ReadFailureLine(output.trimmed().split(u'\n').last().trimmed());
}

// The elapsed times conv reported, in order.
QList<double> reportedTimes(const QString& output) {
    QList<double> times;
    static const QRegularExpression time(QStringLiteral("time=([0-9.]+) "));
    for (auto it = time.globalMatch(output); it.hasNext();)
        times << it.next().captured(1).toDouble();
    return times;
}
// The frames of a file's first video track, counted by decoding them.
int frameCount(const QString& path) {
    return media::run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "V:0", "-show_entries",
                                  "stream=nb_read_frames", "-of", "csv=p=0", path})
        .split(',') // side data, such as an MPEG stream's, follows the count
        .first()
        .trimmed()
        .toInt();
}

// The files beside `result` that are named after it (conv's work files), but for the result itself.
QStringList workFilesOf(const QString& result) {
    const QFileInfo info(result);
    QStringList found = QDir(info.path())
                            .entryList({info.fileName() + QStringLiteral("*")},
                                       QDir::AllEntries | QDir::Hidden | QDir::System);
    found.removeAll(info.fileName());
    return found;
}

// A source as people have them, and what the device must get from it.
using media::Make;
struct DeviceCase {
    QStringList source; // ffmpeg's arguments that make the source, but for its path
    QStringList remux;  // a second pass over the made source, for what only a copy can set
    Make make = Make::Clip;
    QString file = QStringLiteral("source.mkv");
    QString outputFolder;
    QString size = QStringLiteral("320x240");
    QString rate = QStringLiteral("25.0");
    int videoKbps = 200;
    QRect picture;    // where the picture must be in the frame; null: not looked at
    int channels = 0; // 0: no sound track
    int sampleRate = 0;
    bool progressive = false;
    bool rateKept = false;   // the video's bit rate is within 15 % of the asked one
    bool rateCapped = false; // the video's bit rate over the clip is at most 5 % over the asked one
    bool centreAndSurroundHeard = false;
    // Made by fullThenVoice(): the mix stays under full scale, the voice as loud as ever.
    bool neverClips = false;
    // Made by telecined(): the film's frames a second, which the result steps through evenly.
    double filmRate = 0;
    int frames = 0; // the result's frames, the first at its start; 0: not counted
    std::optional<double> beepAfterFlash; // the source's beep follows its flash by this, as must the result's
    std::optional<ConvFailure> failure;   // what conv's last line names; none for a success
    bool incomplete = false;              // converted as far as the source goes, and said to be incomplete
    bool lengthUnknown = false;           // the source declares no length, and none is said
    QString language;                     // the sound track's language tag in the result
    bool looksAsMadeFrom = false;         // the source was made from the first pass's SDR picture (remux)
    std::optional<std::pair<int, int>> blackAndWhite; // the result's luma 10th and 90th percentiles
    double detailKeptDb = 0; // the least SSIM (dB) of the result's luma, as a screen shows it
    // Files beside the source, named as the source less its extension and then this, with what they hold.
    QList<std::pair<QString, QByteArray>> beside;
    QRect subtitleBand; // subtitles shown there from 1 to 1.5 s only; null: none anywhere
    QString skipped;    // the end of the subtitle file conv says it left out
    std::optional<std::array<int, 3>> subtitleColour; // the red, green and blue they are drawn in
};

// Two seconds of an even grey picture, which a frame's black bars stand out against, as an input.
QStringList picture(const QString& size, const QString& filter = QStringLiteral("null")) {
    return {"-f", "lavfi", "-i",
            QStringLiteral("color=c=gray:size=%1:rate=25:duration=2,%2").arg(size, filter)};
}

// Two seconds of a tone at `rate`, laid out in channels by `filter`, as an input.
QStringList sound(int rate, const QString& filter = QStringLiteral("anull")) {
    return {"-f", "lavfi", "-i",
            QStringLiteral("sine=frequency=440:sample_rate=%1:duration=2,%2").arg(rate).arg(filter)};
}

// Two seconds of sound in `layout`: the first with every channel at full scale and in step, the worst a mix
// can meet; the second with the centre alone at a voice's level, 1/8 of full scale.
QStringList fullThenVoice(const QString& layout) {
    const QString full = QStringLiteral("lt(t,1)*sin(2*PI*440*t)");
    const QString centre = QStringLiteral("if(lt(t,1),1,0.125)*sin(2*PI*440*t)");
    // Channels past the expressions take the last: front left and right, centre, then all the rest.
    return {"-f", "lavfi", "-i",
            QStringLiteral("aevalsrc=exprs='%1|%1|%2|%1':channel_layout=%3:sample_rate=48000:duration=2")
                .arg(full, centre, layout)};
}

// How far telecined()'s bar moves in a film frame, in the source's 720 pixels across and in 320.
constexpr int kFilmStep = 8;
constexpr double kFilmStepIn320 = kFilmStep * 320.0 / 720;

// Three seconds of film, a white bar stepping across black, put into fields as television does and coded in
// them (MPEG-2): 3:2, 24 frames a second into 30, its cadence starting a frame in; or 2:2, 25 into 25, each
// frame's fields a film frame apart, so that every frame is combed. Both show 4:3.
QStringList telecined(bool threeTwo) {
    const QString film = threeTwo ? QStringLiteral("24000/1001") : QStringLiteral("25");
    const QString size = threeTwo ? QStringLiteral("720x480") : QStringLiteral("720x576");
    const QString fields = threeTwo ? QStringLiteral("telecine=pattern=23,trim=start_frame=1,setsar=8/9")
                                    : QStringLiteral("separatefields,trim=start_frame=1,weave,setsar=16/15");
    return {
        "-f",
        "lavfi",
        "-i",
        QStringLiteral("color=c=black:size=%1:rate=%2:duration=3[back];color=c=white:size=16x%3:rate=%2[bar];"
                       "[back][bar]overlay=x='n*%4':shortest=1,format=yuv420p,%5,setpts=PTS-STARTPTS,"
                       "setfield=tff")
            .arg(size, film, size.section(u'x', 1))
            .arg(kFilmStep)
            .arg(fields),
        "-c:v",
        "mpeg2video",
        "-flags",
        "+ilme+ildct",
        "-top",
        "1",
        "-b:v",
        "6M",
        "-f",
        "vob"};
}

const QStringList kH264{"-c:v", "libx264", "-pix_fmt", "yuv420p"};

// Six seconds of moving picture and a tone, as inputs: cut in half, a source declares three seconds more than
// it holds.
const QStringList kSixSeconds{"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=6",
                              "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=6"};

// Subtitles that show `text` from `from` to `to` seconds, as SubRip and as an ASS script with a style of its
// own (the font only a name: the system's fallback finds the Chinese glyphs).
QString srt(const QString& text, const QString& from = "00:00:01,000", const QString& to = "00:00:01,500") {
    return QStringLiteral("1\r\n%1 --> %2\r\n%3\r\n\r\n").arg(from, to, text);
}
QByteArray srt8(const QString& from = "00:00:01,000", const QString& to = "00:00:01,500") {
    return srt(QStringLiteral("这是中文字幕"), from, to).toUtf8();
}
QByteArray ass(const QString& from = "0:00:01.00", const QString& to = "0:00:01.50") {
    return QStringLiteral("[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n[V4+ Styles]\n"
                          "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
                          "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
                          "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
                          "Style: Default,Arial,30,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,-1,0,0,0,100,"
                          "100,0,0,1,2,0,2,10,10,12,1\n\n[Events]\n"
                          "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
                          "Dialogue: 0,%1,%2,Default,,0,0,0,,这是中文字幕\n")
        .arg(from, to)
        .toUtf8();
}

// "这是中文字幕" and its traditional form "這是中文字幕", as GBK and Big5 write them (made by iconv).
const QByteArray kGbk = QByteArray::fromHex("d5e2cac7d6d0cec4d7d6c4bb");
const QByteArray kBig5 = QByteArray::fromHex("b36fac4fa4a4a4e5a672b9f5");
QByteArray srtIn(const QByteArray& text) {
    return "1\r\n00:00:01,000 --> 00:00:01,500\r\n" + text + "\r\n\r\n";
}

// A DVD's subtitle picture, a white bar near the bottom of a 320x240 frame from 1 to about 1.5 s, as a VobSub
// pair (`idx` and the .sub beside it) that ffmpeg reads as a subtitle track.
bool makeVobSub(const QString& idx) {
    constexpr int left = 60, top = 190, width = 200, height = 30;
    const auto word = [](int value) { return QByteArray(1, char(value >> 8)) + char(value & 0xff); };
    // Each line filled with colour 1 to its end; the top field's lines, then the bottom field's.
    const QByteArray lines = QByteArray::fromHex("0001").repeated(height / 2);
    const int control = 4 + 2 * int(lines.size());
    const QByteArray area =
        QByteArray::fromHex("05") + char(left >> 4) + char(((left & 15) << 4) | ((left + width - 1) >> 8)) +
        char((left + width - 1) & 0xff) + char(top >> 4) +
        char(((top & 15) << 4) | ((top + height - 1) >> 8)) + char((top + height - 1) & 0xff);
    // Colour 1 is the palette's white, opaque; shown at once, hidden after 45 ticks of 1024/90000 s.
    const QByteArray show = QByteArray::fromHex("033210"
                                                "04fff0") +
                            area + QByteArray::fromHex("06") + word(4) + word(4 + int(lines.size())) +
                            QByteArray::fromHex("01ff");
    const int hideAt = control + 4 + int(show.size());
    const QByteArray body =
        lines + lines + word(0) + word(hideAt) + show + word(45) + word(hideAt) + QByteArray::fromHex("02ff");
    const QByteArray unit = word(4 + int(body.size())) + word(control) + body;
    // One MPEG pack: its header, the private stream's packet at 1 s, padding to 2048 bytes.
    const QByteArray pes = QByteArray::fromHex("818005210005bf2120") + unit;
    QByteArray pack =
        QByteArray::fromHex("000001ba4400040004010189c3f8000001bd") + word(int(pes.size())) + pes;
    pack += QByteArray::fromHex("000001be") + word(2048 - int(pack.size()) - 6);
    pack += QByteArray(2048 - pack.size(), char(0xff));
    QFile sub(QString(idx).replace(QStringLiteral(".idx"), QStringLiteral(".sub")));
    QFile index(idx);
    return sub.open(QIODevice::WriteOnly) && sub.write(pack) == pack.size() &&
           index.open(QIODevice::WriteOnly) &&
           index.write("# VobSub index file, v7\nsize: 320x240\npalette: 000000, ffffff, 808080, 000000, "
                       "000000, 000000, 000000, 000000, 000000, 000000, 000000, 000000, 000000, 000000, "
                       "000000, 000000\nid: zh, index: 0\ntimestamp: 00:00:01:000, filepos: 000000000\n") > 0;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool make(const DeviceCase& wanted, const QString& path) {
    const QString stem = QFileInfo(path).dir().filePath(QFileInfo(path).completeBaseName());
    for (const auto& [name, bytes] : wanted.beside)
        if (!write(stem + name, bytes))
            return false;
    if (wanted.remux.isEmpty())
        return media::make(path, wanted.make, wanted.source);
    // What only a copy can set is set by a second run over the made clip.
    const QString made = path + QStringLiteral(".first.mp4");
    if (!media::make(made, Make::Clip, wanted.source))
        return false;
    int exitCode = 0;
    media::run("ffmpeg",
               QStringList{"-hide_banner", "-loglevel", "error", "-y", "-i", made} + wanted.remux << path,
               &exitCode);
    return exitCode == 0 && (wanted.make != Make::FirstHalf || QFile(path).resize(QFile(path).size() / 2));
}
} // namespace
Q_DECLARE_METATYPE(DeviceCase)

class TestConv : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

  private slots:
    void initTestCase() {
        // Subtitles that go on five seconds after the two of picture and sound.
        writeFile(path("late.srt"), "1\n00:00:00,500 --> 00:00:01,500\nhello\n\n"
                                    "2\n00:00:06,000 --> 00:00:07,000\nlate\n");
    }

    void convertsEveryOfferedContainer_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("expectedRate");
        QTest::addColumn<QString>("size");
        // The least H.264 level that plays the frame size and rate at twice the 200 kbit/s asked: what
        // the peak rate is held to.
        QTest::addColumn<int>("level");
        QTest::newRow("AVI") << "clip.avi" << QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"} << "25.0"
                             << "25/1"
                             << "176x144" << 13;
        QTest::newRow("FLV") << "clip.flv" << QStringList{"-c:v", "flv1", "-c:a", "libmp3lame"} << "14.985"
                             << "2997/200"
                             << "320x240" << 13;
        QTest::newRow("WMV") << "clip.wmv" << QStringList{"-c:v", "wmv2", "-c:a", "wmav2"} << "29.97"
                             << "2997/100"
                             << "128x96" << 13;
        QTest::newRow("MOV") << "clip.mov" << QStringList{"-c:v", "mpeg4", "-c:a", "aac"} << "23.975"
                             << "959/40"
                             << "640x272" << 21;
        QTest::newRow("DAT") << "clip.dat" << QStringList{"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"}
                             << "25.0"
                             << "25/1"
                             << "352x288" << 13;
        QTest::newRow("ASF") << "clip.asf" << QStringList{"-c:v", "msmpeg4", "-c:a", "wmav2", "-f", "asf"}
                             << "25.0"
                             << "25/1"
                             << "480x480" << 30;
        QTest::newRow("MPG") << "clip.mpg" << QStringList{"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"}
                             << "25.0"
                             << "25/1"
                             << "720x320" << 30;
        QTest::newRow("MP4") << "clip.mp4" << QStringList{"-c:v", "libx264", "-c:a", "aac"} << "25.0"
                             << "25/1"
                             << "320x240" << 13;
    }
    void convertsEveryOfferedContainer() {
        QFETCH(QString, source);
        QFETCH(QStringList, encoding);
        QFETCH(QString, rate);
        QFETCH(QString, expectedRate);
        QFETCH(QString, size);
        QFETCH(int, level);
        QVERIFY(media::makeClip(path(source), encoding));
        const QString result = path(source + ".out.mp4");

        const Run run = conv(convArguments(path(source), result, rate, size));

        QCOMPARE(run.exitCode, 0);
        const QJsonObject probed = media::probe(result);
        QCOMPARE(media::codecs(probed), QStringList({"h264", "aac"}));
        const QJsonObject video = media::videoStream(probed);
        QCOMPARE(QStringLiteral("%1x%2").arg(video["width"].toInt()).arg(video["height"].toInt()), size);
        QCOMPARE(video["profile"].toString(), QStringLiteral("Main"));
        QCOMPARE(video["level"].toInt(), level);
        QCOMPARE(video["pix_fmt"].toString(), QStringLiteral("yuv420p"));
        QCOMPARE(video["r_frame_rate"].toString(), expectedRate);
        QVERIFY(probed["format"].toObject()["format_name"].toString().contains("mp4"));
        QVERIFY2(qAbs(media::duration(probed) - media::duration(media::probe(path(source)))) <= 0.2,
                 qPrintable(QString::number(media::duration(probed))));
        // The source's 25 frames a second retimed to the output's rate, from the file's start (a picture that
        // starts after the sound is held till then): none dropped or doubled beyond that. The last is kept
        // for its whole time: a frame more where a container's milliseconds end it past 2 s.
        const QJsonObject sourceProbed = media::probe(path(source));
        const double lead = media::videoStream(sourceProbed)["start_time"].toString().toDouble() -
                            sourceProbed["format"].toObject()["start_time"].toString().toDouble();
        const double expected = (lead + frameCount(path(source)) / 25.0) * rate.toDouble();
        const double over = frameCount(result) - expected;
        QVERIFY2(expected > 0 && over >= -1 && over < 1.5,
                 qPrintable(QStringLiteral("%1 of %2").arg(frameCount(result)).arg(expected)));
        QVERIFY(qAbs(video["duration"].toString().toDouble() - frameCount(path(source)) / 25.0) <= 0.1);

        QVERIFY2(run.output.startsWith("Duration: 00:00:0"), qPrintable(run.output));
        const QList<double> times = reportedTimes(run.output);
        QVERIFY(!times.isEmpty());
        QVERIFY(std::is_sorted(times.begin(), times.end()));
        QVERIFY(!QFile::exists(result + ".part"));
    }

    // The frame size conv reads from an MP4's or MOV's header to choose how to decode it.
    void theFrameSizeIsReadFromTheHeader_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<bool>("cutInHalf");
        QTest::addColumn<QSize>("size");
        const QStringList h264{"-c:v", "libx264", "-c:a", "aac"};
        QTest::newRow("MP4 with its index at the end") << "end.mp4" << h264 << false << QSize(1280, 720);
        QTest::newRow("MP4 with its index first")
            << "first.mp4" << h264 + QStringList{"-movflags", "+faststart"} << false << QSize(1280, 720);
        QTest::newRow("MOV") << "clip.mov" << h264 << false << QSize(1280, 720);
        QTest::newRow("sound only") << "sound.m4a" << QStringList{"-vn", "-c:a", "aac"} << false << QSize();
        QTest::newRow("AVI") << "clip.avi" << QStringList{"-c:v", "mpeg4"} << false << QSize();
        QTest::newRow("index lost with the second half") << "cut.mp4" << h264 << true << QSize();
    }
    void theFrameSizeIsReadFromTheHeader() {
        QFETCH(QString, file);
        QFETCH(QStringList, encoding);
        QFETCH(bool, cutInHalf);
        QFETCH(QSize, size);
        QVERIFY(media::makeClip(path(file), encoding, 0.2, "1280x720"));
        if (cutInHalf) {
            QFile whole(path(file));
            QVERIFY(whole.resize(whole.size() / 2));
        }
        QCOMPARE(Mp4FrameSize(path(file)).value_or(QSize()), size);
    }

    void aVideoWithoutSoundGivesAVideoOnlyFile() {
        QVERIFY(media::makeClip(path("silent.mp4"), {"-an", "-c:v", "libx264"}));
        QCOMPARE(conv(convArguments(path("silent.mp4"), path("silent.out.mp4"))).exitCode, 0);
        QCOMPARE(media::codecs(media::probe(path("silent.out.mp4"))), QStringList{"h264"});
    }

    void whatReachesTheDevice_data() {
        QTest::addColumn<DeviceCase>("wanted");
        QTest::newRow("16:9 into 4:3: bars above and below")
            << DeviceCase{.source = picture("1280x720") + kH264, .picture = {0, 30, 320, 180}};
        QTest::newRow("square into 4:3: bars left and right")
            << DeviceCase{.source = picture("640x640") + kH264, .picture = {40, 0, 240, 240}};
        QTest::newRow("DVD shown 16:9 (32:27 pixels)")
            << DeviceCase{.source = picture("720x480", "setsar=32/27") + kH264, .picture = {0, 30, 320, 180}};
        QTest::newRow("DVD shown 4:3 (8:9 pixels) fills the frame")
            << DeviceCase{.source = picture("720x480", "setsar=8/9") + kH264, .picture = {0, 0, 320, 240}};
        QTest::newRow("phone clip recorded upright (手机竖拍)")
            << DeviceCase{.source = picture("640x360") + kH264,
                          .remux = {"-c", "copy", "-metadata:s:v:0", "rotate=90"},
                          .file = "phone.mp4",
                          .picture = {92, 0, 136, 240}};
        QTest::newRow("interlaced DV") << DeviceCase{
            .source = {"-f", "lavfi", "-i",
                       "testsrc2=size=720x480:rate=60000/1001:duration=2,"
                       "tinterlace=mode=interleave_top,setfield=tff,setsar=8/9",
                       "-c:v", "mpeg2video", "-flags", "+ilme+ildct", "-top", "1", "-b:v", "6M"},
            .file = "dv.mpg",
            .size = "640x480",
            .rate = "29.97",
            .videoKbps = 1500,
            .progressive = true,
            .frames = 60};
        for (const QString rate : {"14.985", "23.975", "25.0", "29.97"}) {
            QTest::addRow("3:2 film from television at %s", qPrintable(rate))
                << DeviceCase{.source = telecined(true),
                              .file = "film 3-2.mpg",
                              .rate = rate,
                              .videoKbps = 800,
                              .filmRate = 24000.0 / 1001};
            QTest::addRow("2:2 film from television at %s", qPrintable(rate))
                << DeviceCase{.source = telecined(false),
                              .file = "film 2-2.mpg",
                              .rate = rate,
                              .videoKbps = 800,
                              .filmRate = 25};
        }
        QTest::newRow("5.1 sound at 48 kHz")
            << DeviceCase{.source = picture("320x240") + sound(48000, "pan=5.1|FC=c0|BL=c0") + kH264 +
                                    QStringList{"-c:a", "aac", "-b:a", "384k"},
                          .channels = 2,
                          .sampleRate = 48000,
                          .centreAndSurroundHeard = true};
        QTest::newRow("5.1 at full scale") << DeviceCase{.source = picture("320x240") + fullThenVoice("5.1") +
                                                                   kH264 + QStringList{"-c:a", "flac"},
                                                         .channels = 2,
                                                         .sampleRate = 48000,
                                                         .neverClips = true};
        QTest::newRow("7.1 at full scale") << DeviceCase{.source = picture("320x240") + fullThenVoice("7.1") +
                                                                   kH264 + QStringList{"-c:a", "flac"},
                                                         .channels = 2,
                                                         .sampleRate = 48000,
                                                         .neverClips = true};
        QTest::newRow("mono sound at 8 kHz") << DeviceCase{.source = picture("320x240") + sound(8000) +
                                                                     kH264 + QStringList{"-c:a", "pcm_s16le"},
                                                           .channels = 1,
                                                           .sampleRate = 44100};
        QTest::newRow("busy 10-second clip at 128 kbps") << DeviceCase{
            .source = {"-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25:duration=10,noise=alls=80:allf=t",
                       "-c:v", "mpeg4", "-q:v", "2"},
            .rate = "29.97",
            .videoKbps = 128,
            .rateKept = true};
        QTest::newRow("busy 4-second clip spends no more than asked") << DeviceCase{
            .source = {"-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25:duration=4,noise=alls=60:allf=t",
                       "-c:v", "mpeg4", "-q:v", "2"},
            .videoKbps = 256,
            .rateCapped = true};
        QTest::newRow("mostly still 4-second clip spends no more than asked") << DeviceCase{
            .source = {"-f", "lavfi", "-i",
                       "smptebars=size=640x480:rate=25:duration=4[still];testsrc=size=64x48:rate=25[moving];"
                       "[still][moving]overlay=x=t*100:y=200:shortest=1",
                       "-c:v", "mpeg4", "-q:v", "2"},
            .videoKbps = 80,
            .rateCapped = true};
        // A white flash and a beep, both at one second.
        const QString flash = QStringLiteral("drawbox=c=white:t=fill:enable='between(t,1,1.2)'");
        const QString beep = QStringLiteral("volume=volume=0:enable='not(between(t,1,1.2))'");
        QTest::newRow("the beep heard with the flash seen, at a rate that drops frames") << DeviceCase{
            .source = picture("320x240", flash) + sound(48000, beep) + kH264 + QStringList{"-c:a", "aac"},
            .file = "together.mp4",
            .rate = "14.985",
            .channels = 1,
            .sampleRate = 48000,
            .beepAfterFlash = 0};
        QTest::newRow("a sound track that starts half a second after the picture")
            << DeviceCase{.source = picture("320x240", flash) + sound(48000, beep) + kH264 +
                                    QStringList{"-af", "asetpts=PTS+0.5/TB", "-c:a", "aac"},
                          .file = "late sound.mp4",
                          .channels = 1,
                          .sampleRate = 48000,
                          .beepAfterFlash = 0.5};
        QTest::newRow("a picture that starts two seconds after the sound") << DeviceCase{
            .source = QStringList{"-itsoffset", "2"} + picture("320x240", flash) + sound(48000, beep) +
                      kH264 + QStringList{"-fps_mode", "passthrough", "-c:a", "aac"},
            .file = "late picture.mp4",
            .rate = "29.97",
            .channels = 1,
            .sampleRate = 48000,
            .beepAfterFlash = -2};
        // Joined in the middle of a group of pictures: the sound starts about a second before the first
        // picture that decodes, the key frame at 4 s.
        QTest::newRow("a TS recording joined mid-GOP")
            << DeviceCase{.source = {"-f",
                                     "lavfi",
                                     "-i",
                                     "testsrc2=size=320x240:rate=25:duration=6,"
                                     "drawbox=c=white:t=fill:enable='between(t,5,5.2)'",
                                     "-f",
                                     "lavfi",
                                     "-i",
                                     "sine=frequency=440:sample_rate=48000:duration=6,"
                                     "volume=volume=0:enable='not(between(t,5,5.2))'",
                                     "-c:v",
                                     "libx264",
                                     "-pix_fmt",
                                     "yuv420p",
                                     "-g",
                                     "100",
                                     "-sc_threshold",
                                     "0",
                                     "-c:a",
                                     "aac",
                                     "-f",
                                     "mpegts"},
                          .make = Make::LastHalf,
                          .file = "recording.ts",
                          .channels = 1,
                          .sampleRate = 48000,
                          .beepAfterFlash = 0};
        QTest::newRow("two video and two sound tracks: the first of each") << DeviceCase{
            .source = picture("1280x720") + picture("640x640") + sound(44100) +
                      sound(48000, "pan=stereo|FL=c0|FR=c0") + kH264 +
                      QStringList{"-map", "0", "-map", "1", "-map", "2", "-map", "3", "-c:a", "aac"},
            .picture = {0, 30, 320, 180},
            .channels = 1,
            .sampleRate = 44100};
        // What a camera leaves when its tape runs out: the frame is timed at no multiple of the output's.
        QTest::newRow("a DV file of one frame") << DeviceCase{
            .source = {"-f", "lavfi", "-i", "testsrc2=size=720x480:rate=30000/1001:duration=0.0334", "-f",
                       "lavfi", "-i", "sine=sample_rate=48000:duration=0.0334", "-ac", "2", "-c:v", "dvvideo",
                       "-pix_fmt", "yuv411p", "-c:a", "pcm_s16le", "-f", "dv"},
            .file = "underrun.dv",
            .rate = "14.985",
            .channels = 2,
            .sampleRate = 48000,
            .frames = 1};
        QTest::newRow("sound only") << DeviceCase{.source = sound(44100) + QStringList{"-c:a", "aac"},
                                                  .file = "sound.m4a",
                                                  .failure = ConvFailure::SoundOnly};
        QTest::newRow("cover picture with sound") << DeviceCase{
            .source = sound(44100) + QStringList{"-f", "lavfi", "-i", "testsrc=size=200x200:duration=1",
                                                 "-map", "0", "-map", "1", "-frames:v", "1", "-c:v", "mjpeg",
                                                 "-disposition:v", "attached_pic", "-c:a", "libmp3lame"},
            .file = "song.mp3",
            .failure = ConvFailure::CoverOnly};
        QTest::newRow("text named .avi")
            << DeviceCase{.make = Make::Text, .file = "text.avi", .failure = ConvFailure::NotAVideo};
        QTest::newRow("cut short") << DeviceCase{.source = picture("320x240") + sound(44100) + kH264 +
                                                           QStringList{"-c:a", "aac"},
                                                 .make = Make::FirstHalf,
                                                 .file = "cut.mp4",
                                                 .failure = ConvFailure::Damaged};
        QTest::newRow("missing") << DeviceCase{.make = Make::Missing, .failure = ConvFailure::CannotRead};
        // A download cut short: what is there converts, and the source is said to be incomplete.
        const std::array<std::tuple<const char*, const char*, QStringList>, 4> cutShort{{
            {"AVI", "avi", {"-c:v", "mpeg4", "-c:a", "libmp3lame"}},
            {"FLV", "flv", {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100"}},
            {"MP4 with its index first", "mp4", kH264 + QStringList{"-c:a", "aac", "-movflags", "+faststart"}},
            {"WMV", "wmv", {"-c:v", "wmv2", "-c:a", "wmav2"}}}};
        for (const auto& [kind, extension, codecs] : cutShort)
            QTest::newRow(qPrintable(QStringLiteral("%1 cut short").arg(kind)))
                << DeviceCase{.source = kSixSeconds + codecs,
                              .make = Make::FirstHalf,
                              .file = QStringLiteral("cut.") + extension,
                              .channels = 1,
                              .sampleRate = 44100,
                              .incomplete = true};
        // A subtitle track's length says nothing of whether the picture and the sound are whole.
        for (const auto& [container, subtitles] : {std::pair{"mkv", "srt"}, std::pair{"mp4", "mov_text"}})
            QTest::newRow(
                qPrintable(QStringLiteral("%1 whose subtitles run past the picture").arg(container)))
                << DeviceCase{.source =
                                  picture("320x240") + sound(44100) +
                                  QStringList{"-i", path("late.srt"), "-map", "0", "-map", "1", "-map", "2"} +
                                  kH264 + QStringList{"-c:a", "aac", "-c:s", subtitles},
                              .file = QStringLiteral("subtitled.") + container,
                              .channels = 1,
                              .sampleRate = 44100};
        QTest::newRow("saved from a pipe, no length declared")
            << DeviceCase{.source = picture("320x240") + kH264 + QStringList{"-f", "matroska", "-live", "1"},
                          .file = "piped.mkv",
                          .lengthUnknown = true};
        QTest::newRow("output folder missing") << DeviceCase{.source = picture("320x240") + kH264,
                                                             .outputFolder = "no such folder/",
                                                             .failure = ConvFailure::CannotWrite};
        // MKV starts the picture a fraction of a frame after the sound, by the AAC encoder's lead-in.
        QTest::newRow("10-bit H.264 in MKV: the first frame at the start, none lost")
            << DeviceCase{.source = {"-f", "lavfi", "-i", "testsrc2=size=640x480:rate=30:duration=5", "-f",
                                     "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=5", "-c:v",
                                     "libx264", "-pix_fmt", "yuv420p10le", "-c:a", "aac"},
                          .rate = "29.97",
                          .channels = 1,
                          .sampleRate = 48000,
                          .frames = 150};

        // HDR as phones record it, made from an SDR picture with its white at 203 cd/m², as HDR is graded.
        const QStringList sdr{"-f",
                              "lavfi",
                              "-i",
                              "testsrc2=size=640x360:rate=25:duration=2,scale=out_color_matrix=bt709,"
                              "format=yuv420p",
                              "-c:v",
                              "libx264",
                              "-qp",
                              "0",
                              "-colorspace",
                              "bt709",
                              "-color_primaries",
                              "bt709",
                              "-color_trc",
                              "bt709"};
        const auto hdr = [](const QString& transfer) {
            return QStringList{"-vf",
                               QStringLiteral("zscale=t=linear:npl=203,format=gbrpf32le,zscale=p=bt2020:t=%1:"
                                              "m=bt2020nc:r=tv:npl=203,format=yuv420p10le")
                                   .arg(transfer),
                               "-c:v",
                               "libx264",
                               "-crf",
                               "12",
                               "-color_primaries",
                               "bt2020",
                               "-color_trc",
                               transfer,
                               "-colorspace",
                               "bt2020nc"};
        };
        QTest::newRow("HDR10 (PQ) looks as the SDR picture it was made from") << DeviceCase{
            .source = sdr, .remux = hdr("smpte2084"), .size = "320x180", .looksAsMadeFrom = true};
        QTest::newRow("HLG looks as the SDR picture it was made from") << DeviceCase{
            .source = sdr, .remux = hdr("arib-std-b67"), .size = "320x180", .looksAsMadeFrom = true};
        QTest::newRow("full range (a camera's yuvj) comes out in limited range")
            << DeviceCase{.source = {"-f", "lavfi", "-i",
                                     "color=c=black:size=320x240:rate=25:duration=2,"
                                     "format=yuvj420p,geq=lum='255*gt(X,159)':cb=128:cr=128",
                                     "-c:v", "mjpeg", "-q:v", "2"},
                          .file = "camera.avi",
                          .blackAndWhite = std::pair(16, 235)};
        // An SD picture that says no matrix is BT.601, as players take it; it comes out in BT.709 as sharp as
        // the rate allows (the scaler's own conversion left 18.8 dB here, zimg's 20.4).
        QTest::newRow("an SD picture in BT.601 keeps its detail in BT.709")
            << DeviceCase{.source = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-c:v",
                                     "libx264", "-qp", "0", "-pix_fmt", "yuv420p"},
                          .videoKbps = 1500,
                          .detailKeptDb = 19.6};
        QTest::newRow("red, green and blue as a screen codec keeps them")
            << DeviceCase{.source = {"-f", "lavfi", "-i", "smptebars=size=320x240:rate=25:duration=2", "-c:v",
                                     "ffv1", "-pix_fmt", "bgr0"}};

        // The sound track a player plays, and its language.
        const auto tracks = [](const QStringList& flags) {
            return picture("320x240") + sound(44100) + sound(48000, "pan=stereo|FL=c0|FR=c0") + sound(44100) +
                   kH264 +
                   QStringList{"-map",
                               "0",
                               "-map",
                               "1",
                               "-map",
                               "2",
                               "-map",
                               "3",
                               "-c:a",
                               "aac",
                               "-metadata:s:a:0",
                               "language=eng",
                               "-metadata:s:a:1",
                               "language=chi",
                               "-metadata:s:a:2",
                               "language=eng"} +
                   flags;
        };
        // A film's Chinese dub, flagged default beside its English original: what the file means to play.
        const QStringList secondDefault{"-disposition:a:0", "original",         "-disposition:a:1",
                                        "default+dub",      "-disposition:a:2", "comment"};
        QTest::newRow("tracks: the one flagged default (MKV)") << DeviceCase{
            .source = tracks(secondDefault), .channels = 2, .sampleRate = 48000, .language = "chi"};
        QTest::newRow("tracks: the one flagged default (MP4)") << DeviceCase{.source = tracks(secondDefault),
                                                                             .file = "tracks.mp4",
                                                                             .channels = 2,
                                                                             .sampleRate = 48000,
                                                                             .language = "chi"};
        QTest::newRow("tracks: the commentary first, the next") << DeviceCase{
            .source =
                tracks({"-disposition:a:0", "comment", "-disposition:a:1", "0", "-disposition:a:2", "0"}),
            .channels = 2,
            .sampleRate = 48000,
            .language = "chi"};
        QTest::newRow("tracks: none flagged default, the original before a dub")
            << DeviceCase{.source = tracks({"-disposition:a:0", "dub", "-disposition:a:1", "original",
                                            "-disposition:a:2", "comment", "-default_mode", "passthrough"}),
                          .channels = 2,
                          .sampleRate = 48000,
                          .language = "chi"};
        QTest::newRow("tracks: none flagged, the first") << DeviceCase{
            .source =
                picture("320x240") + sound(44100) + sound(48000, "pan=stereo|FL=c0|FR=c0") +
                QStringList{"-map", "0", "-map", "1", "-map", "2", "-c:v", "mpeg4", "-c:a", "libmp3lame"},
            .file = "tracks.avi",
            .channels = 1,
            .sampleRate = 44100};

        // Subtitles a player shows unasked, burnt in: each shows from 1 to 1.5 s; the ones it must not take
        // from 0.3 to 0.7 s.
        const QRect bottom(0, 180, 320, 60);
        QVERIFY(write(path("style.ass"), ass()) &&
                write(path("early.ass"), ass("0:00:00.30", "0:00:00.70")) && write(path("cue.srt"), srt8()) &&
                makeVobSub(path("dvd.idx")));
        QTest::newRow("subtitles: an ASS track flagged default, inside the picture") << DeviceCase{
            .source = picture("1280x720") + QStringList{"-i", path("style.ass")} + kH264 +
                      QStringList{"-map", "0", "-map", "1", "-c:s", "ass", "-disposition:s:0", "default"},
            .picture = {0, 30, 320, 180},
            .subtitleBand = {0, 150, 320, 60}};
        QTest::newRow("subtitles: the track flagged forced before the default one")
            << DeviceCase{.source = picture("320x240") +
                                    QStringList{"-i", path("early.ass"), "-i", path("style.ass")} + kH264 +
                                    QStringList{"-map", "0", "-map", "1", "-map", "2", "-c:s", "ass",
                                                "-disposition:s:0", "default", "-disposition:s:1", "forced"},
                          .subtitleBand = bottom};
        QTest::newRow("subtitles: a mov_text track flagged default (MP4)")
            << DeviceCase{.source = picture("320x240") + QStringList{"-i", path("cue.srt")} + kH264 +
                                    QStringList{"-map", "0", "-map", "1", "-c:s", "mov_text",
                                                "-disposition:s:0", "default"},
                          .file = "movtext.mp4",
                          .subtitleBand = bottom};
        QTest::newRow("subtitles: a DVD's pictures, scaled with the picture") << DeviceCase{
            .source = picture("640x480") + QStringList{"-i", path("dvd.idx")} + kH264 +
                      QStringList{"-map", "0", "-map", "1", "-c:s", "copy", "-disposition:s:0", "default"},
            .subtitleBand = bottom};
        QTest::newRow("subtitles: a SubRip file beside, at a rate that drops frames")
            << DeviceCase{.source = picture("320x240") + kH264,
                          .file = "film.mp4",
                          .rate = "14.985",
                          .beside = {{".srt", srt8()}},
                          .subtitleBand = bottom};
        QTest::newRow("subtitles: the Chinese file beside first, then the untagged one")
            << DeviceCase{.source = picture("320x240") + kH264,
                          .file = "film.mp4",
                          .beside = {{".srt", srt8("00:00:00,300", "00:00:00,700")},
                                     {".en.srt", srt8("00:00:00,300", "00:00:00,700")},
                                     {".chs.ass", ass()}},
                          .subtitleBand = bottom};
        // Drawn in their own colour into the BT.709 result: blended in BT.601, this yellow came out greener.
        QTest::newRow("subtitles: a yellow SubRip cue stays yellow")
            << DeviceCase{.source = picture("320x240") + kH264,
                          .beside = {{".srt", "1\n00:00:01,000 --> 00:00:01,500\n"
                                              "<font color=\"#FFFF00\">\u2588\u2588\u2588\u2588</font>\n"}},
                          .subtitleBand = bottom,
                          .subtitleColour = std::array{255, 255, 0}};
        QTest::newRow("subtitles: a GBK file") << DeviceCase{
            .source = picture("320x240") + kH264, .beside = {{".srt", srtIn(kGbk)}}, .subtitleBand = bottom};
        QTest::newRow("subtitles: a Big5 file") << DeviceCase{.source = picture("320x240") + kH264,
                                                              .beside = {{".zh-tw.srt", srtIn(kBig5)}},
                                                              .subtitleBand = bottom};
        QTest::newRow("subtitles: a UTF-16 file")
            << DeviceCase{.source = picture("320x240") + kH264,
                          .beside = {{".ass", "\xFF\xFE" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(
                                                               QString::fromUtf8(ass())))}},
                          .subtitleBand = bottom};
        QByteArray noise;
        for (int i = 0; i < 4096; ++i)
            noise += char(i * 37 % 256);
        QTest::newRow("subtitles: a file that holds none, left out and said")
            << DeviceCase{.source = picture("320x240") + kH264,
                          .beside = {{".srt", noise}},
                          .subtitleBand = bottom,
                          .skipped = ".srt"};
        QTest::newRow("subtitles: a file ffmpeg cannot read, left out and said")
            << DeviceCase{.source = picture("320x240") + kH264,
                          .beside = {{".srt", "no cue here --> nor here\n"}},
                          .subtitleBand = bottom,
                          .skipped = ".srt"};
    }
    void whatReachesTheDevice() {
        QFETCH(DeviceCase, wanted);
        // Named after the row, less what Windows keeps out of file names.
        const QString name =
            QString::fromUtf8(QTest::currentDataTag()).replace(QRegularExpression("[\\\\/:*?\"<>|]"), "-");
        const QString source = path(name + QStringLiteral(" ") + wanted.file);
        QVERIFY(make(wanted, source));
        const QString result = path(wanted.outputFolder + name + QStringLiteral(".mp4"));
        QStringList arguments = convArguments(source, result, wanted.rate, wanted.size);
        arguments[3] = QString::number(wanted.videoKbps);

        const Run run = conv(arguments);

        QCOMPARE(workFilesOf(result), QStringList());
        if (wanted.failure) {
            QVERIFY(run.exitCode != 0);
            QVERIFY(!QFile::exists(result));
            QCOMPARE(failureSaid(run.output), wanted.failure);
            return;
        }
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output.contains("Duration: "), !wanted.lengthUnknown);
        QVERIFY(CarriesResultMark(result));
        const QJsonObject probed = media::probe(result);
        const auto incomplete = ReadIncomplete(run.output);
        QCOMPARE(incomplete.has_value(), wanted.incomplete);
        if (incomplete) {
            QVERIFY2(qAbs(incomplete->declaredSeconds - 6) < 0.2 && incomplete->convertedSeconds < 4.5 &&
                         qAbs(media::duration(probed) - incomplete->convertedSeconds) < 0.5,
                     qPrintable(run.output.right(200)));
        }
        const QJsonObject video = media::videoStream(probed);
        const QSize frame(wanted.size.section(u'x', 0, 0).toInt(), wanted.size.section(u'x', 1, 1).toInt());
        QCOMPARE(QSize(video["width"].toInt(), video["height"].toInt()), frame);
        QCOMPARE(video["sample_aspect_ratio"].toString(), QStringLiteral("1:1"));
        if (!wanted.picture.isNull()) {
            const QRect seen = media::pictureBounds(result, frame);
            // Scaling softens the picture's edges by a pixel or so.
            const QMargins difference(seen.left() - wanted.picture.left(), seen.top() - wanted.picture.top(),
                                      wanted.picture.right() - seen.right(),
                                      wanted.picture.bottom() - seen.bottom());
            QVERIFY2(qAbs(difference.left()) <= 2 && qAbs(difference.top()) <= 2 &&
                         qAbs(difference.right()) <= 2 && qAbs(difference.bottom()) <= 2,
                     qPrintable(QStringLiteral("picture at %1,%2 %3x%4")
                                    .arg(seen.x())
                                    .arg(seen.y())
                                    .arg(seen.width())
                                    .arg(seen.height())));
        }
        // Every result in BT.709 and limited range, as every small device takes it.
        QCOMPARE(QStringList({video["color_primaries"].toString(), video["color_transfer"].toString(),
                              video["color_space"].toString(), video["color_range"].toString()}),
                 QStringList({"bt709", "bt709", "bt709", "tv"}));
        if (wanted.looksAsMadeFrom) {
            const media::Look sdr = media::look(source + QStringLiteral(".first.mp4"));
            const media::Look seen = media::look(result);
            QVERIFY2(qAbs(seen.mean / sdr.mean - 1) <= 0.2 && seen.saturation >= 0.7 * sdr.saturation &&
                         seen.high - seen.low >= 0.75 * (sdr.high - sdr.low),
                     qPrintable(QStringLiteral("luma %1/%2/%3 saturation %4, the SDR picture's %5/%6/%7 %8")
                                    .arg(seen.low)
                                    .arg(seen.mean)
                                    .arg(seen.high)
                                    .arg(seen.saturation)
                                    .arg(sdr.low)
                                    .arg(sdr.mean)
                                    .arg(sdr.high)
                                    .arg(sdr.saturation)));
        }
        if (wanted.blackAndWhite) {
            const media::Look seen = media::look(result);
            QVERIFY2(qAbs(seen.low - wanted.blackAndWhite->first) <= 3 &&
                         qAbs(seen.high - wanted.blackAndWhite->second) <= 3,
                     qPrintable(QStringLiteral("%1 %2").arg(seen.low).arg(seen.high)));
        }
        if (wanted.detailKeptDb > 0) {
            const double seen = media::ssimDb(source, result);
            QVERIFY2(seen >= wanted.detailKeptDb, qPrintable(QStringLiteral("SSIM %1 dB").arg(seen)));
        }
        // The last frame is kept for its whole time: one more where the container's times end past the clip.
        if (wanted.frames) {
            const int frames = frameCount(result);
            QVERIFY2(frames == wanted.frames || frames == wanted.frames + 1, qPrintable(QString::number(frames)));
            QCOMPARE(video["start_time"].toString().toDouble(), 0.0);
        }
        if (!wanted.subtitleBand.isNull()) {
            const int shown = media::inkIn(result, frame, wanted.subtitleBand, 1.25);
            QVERIFY2(wanted.skipped.isEmpty() ? shown > 100 : shown == 0, qPrintable(QString::number(shown)));
            for (const double second : {0.5, 1.8})
                QCOMPARE(media::inkIn(result, frame, wanted.subtitleBand, second), 0);
        }
        if (wanted.subtitleColour) {
            const int off = media::nearestColour(result, frame, wanted.subtitleBand, 1.25, *wanted.subtitleColour);
            QVERIFY2(off >= 0 && off <= 6, qPrintable(QString::number(off)));
        }
        const auto skipped = ReadSubtitleSkipped(run.output);
        QVERIFY2(wanted.skipped.isEmpty() ? !skipped : skipped && skipped->endsWith(wanted.skipped),
                 qPrintable(run.output.right(200)));
        if (wanted.filmRate > 0) {
            // Each frame shows a film frame, whole, a step on from the last like an even resampling of the
            // film: as many film frames as the rates' ratio, rounded down or up. The first frames are let be
            // (the source starts half a film frame in) and the last two (its cadence cut short, the last film
            // frame held).
            const double perFrame = wanted.filmRate / wanted.rate.toDouble();
            const QList<double> bar = media::barPositions(result, frame);
            QStringList steps;
            bool even = bar.size() > 30;
            for (qsizetype i = 3; i + 2 < bar.size(); ++i) {
                const double step = (bar[i] - bar[i - 1]) / kFilmStepIn320;
                even &= bar[i - 1] >= 0 && qAbs(step - std::round(step)) < 0.3 &&
                        std::round(step) >= std::floor(perFrame) && std::round(step) <= std::ceil(perFrame);
                steps << QString::number(step, 'f', 1);
            }
            QVERIFY2(even, qPrintable(steps.join(u' ')));
        }
        if (wanted.progressive) {
            QVERIFY2(media::interlacedShare(source) > 0.8, "the source is combed");
            const double combed = media::interlacedShare(result);
            QVERIFY2(combed >= 0 && combed < 0.1, qPrintable(QString::number(combed)));
        }
        const double kbps = video["bit_rate"].toString().toDouble() / 1000;
        if (wanted.rateKept)
            QVERIFY2(qAbs(kbps / wanted.videoKbps - 1) <= 0.15, qPrintable(QString::number(kbps)));
        if (wanted.rateCapped)
            QVERIFY2(kbps > 0 && kbps <= 1.05 * wanted.videoKbps, qPrintable(QString::number(kbps)));
        const QJsonObject audio = media::audioStream(probed);
        if (wanted.channels == 0) {
            QVERIFY(audio.isEmpty());
            return;
        }
        QCOMPARE(audio["codec_name"].toString(), QStringLiteral("aac"));
        QCOMPARE(audio["profile"].toString(), QStringLiteral("LC"));
        QCOMPARE(audio["channels"].toInt(), wanted.channels);
        QCOMPARE(audio["sample_rate"].toString().toInt(), wanted.sampleRate);
        if (!wanted.language.isEmpty())
            QCOMPARE(audio["tags"].toObject()["language"].toString(), wanted.language);
        if (wanted.centreAndSurroundHeard) {
            // The tone is in the centre and the left surround: both sides carry the centre, the left more.
            const QList<double> levels = media::channelLevels(result, 2);
            QVERIFY2(levels[1] > 0.05 && levels[0] > 1.3 * levels[1],
                     qPrintable(QStringLiteral("%1 %2").arg(levels[0]).arg(levels[1])));
        }
        if (wanted.neverClips) {
            // At most -0.1 dBFS; the voice in each side at -3 dB (0.707) of the centre, or within 3 dB of
            // that.
            const double peak = media::soundLevels(result, 2).peak;
            const QList<double> voice = media::soundLevels(result, 2, 1.3).rms;
            const double expected = 0.707 * 0.125 / std::sqrt(2.0);
            const auto heard = [&](double level) {
                return level > expected / 1.413 && level < expected * 1.413;
            };
            QVERIFY2(peak <= 0.9886 && heard(voice[0]) && heard(voice[1]),
                     qPrintable(QStringLiteral("peak %1 dBFS, voice %2 %3 of %4")
                                    .arg(20 * std::log10(peak))
                                    .arg(voice[0])
                                    .arg(voice[1])
                                    .arg(expected)));
        }
        if (wanted.beepAfterFlash) {
            // Within half a frame of the output, what a rate that drops frames can keep, on a player that
            // keeps edit lists; within a frame on one that ignores them, the AAC encoder's lead-in included.
            for (const bool ignored : {false, true}) {
                const media::Onsets seen = media::onsets(result, ignored);
                QVERIFY2(seen.flash >= 0 && seen.beep >= 0 &&
                             qAbs(seen.beep - seen.flash - *wanted.beepAfterFlash) <=
                                 (ignored ? 1.0 : 0.5) / wanted.rate.toDouble(),
                         qPrintable(QStringLiteral("edit lists %1: flash %2, beep %3")
                                        .arg(ignored ? "ignored" : "kept")
                                        .arg(seen.flash)
                                        .arg(seen.beep)));
            }
        }
    }

    // However the output names the input or a work file named after it, conv writes over none of it.
    void neverWritesOverItsInput_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("link"); // the output is a link to the input
        QTest::newRow("the same name") << "same.mp4"
                                       << "same.mp4" << false;
        QTest::newRow("another spelling") << "spelt.mp4"
                                          << "./spelt.mp4" << false;
        QTest::newRow("a link to it") << "linked.mp4"
                                      << "link.mp4" << true;
        QTest::newRow("named as a work file") << "work.mp4.part"
                                              << "work.mp4" << false;
    }
    void neverWritesOverItsInput() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(bool, link);
        QVERIFY(media::make(path(input), Make::Clip));
        const QByteArray before = readFile(path(input));
        // A symbolic link, or on Windows a hard link: the same file under another name either way.
        if (link && !platform::StageSource(path(input), path(output)))
            QSKIP("this system makes no links here");
        const Run run = conv(convArguments(path(input), m_dir.path() + u'/' + output));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(failureSaid(run.output), ConvFailure::OutputIsInput);
        QCOMPARE(readFile(path(input)), before);
    }

    // A subtitle file's text, whichever encoding it was written in.
    void subtitleFilesAreReadInTheirEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString simplified = QStringLiteral("我们今天去看电影，这是中文字幕。");
        const QString traditional = QStringLiteral("我們今天去看電影，這是中文字幕。");
        QTest::newRow("UTF-8") << simplified.toUtf8() << simplified;
        QTest::newRow("UTF-8 with its mark") << "\xEF\xBB\xBF" + traditional.toUtf8() << traditional;
        QTest::newRow("UTF-16 LE") << "\xFF\xFE" +
                                          QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(simplified))
                                   << simplified;
        QTest::newRow("UTF-16 BE") << "\xFE\xFF" +
                                          QByteArray(QStringEncoder(QStringEncoder::Utf16BE)(traditional))
                                   << traditional;
        // As iconv writes them.
        QTest::newRow("GBK") << QByteArray::fromHex(
                                    "ced2c3c7bdf1ccecc8a5bfb4b5e7d3b0a3acd5e2cac7d6d0cec4d7d6c4bba1a3")
                             << simplified;
        QTest::newRow("Big5") << QByteArray::fromHex(
                                     "a7daadcca4b5a4d1a568acddb971bc76a141b36fac4fa4a4a4e5a672b9f5a143")
                              << traditional;
        QTest::newRow("UTF-8 with a stray bad byte")
            << simplified.toUtf8().insert(6, '\xFF')
            << QString(simplified).insert(2, QChar::ReplacementCharacter);
        QTest::newRow("GBK, a few words") << kGbk << QStringLiteral("这是中文字幕");
        QTest::newRow("Big5, a few words") << kBig5 << QStringLiteral("這是中文字幕");
    }
    void subtitleFilesAreReadInTheirEncoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(SubtitleText(bytes), text);
    }

    // The subtitle file beside a video that a player picks up.
    void theSubtitleFileBesideIsChosen_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("none") << QStringList{"other.srt", "film.txt", "filmmaker.srt"} << QString();
        QTest::newRow("untagged") << QStringList{"film.srt"} << "film.srt";
        QTest::newRow("Chinese, then untagged, then others")
            << QStringList{"film.srt", "film.en.srt", "film.chs.ass"} << "film.chs.ass";
        QTest::newRow("simplified before traditional")
            << QStringList{"film.zh-tw.srt", "film.cht.srt", "film.简体.srt"} << "film.简体.srt";
        QTest::newRow("untagged before another language")
            << QStringList{"film.en.ass", "film.SRT"} << "film.SRT";
        QTest::newRow("ASS before SSA before SRT")
            << QStringList{"film.zh.srt", "film.zh.ssa", "film.zh.ass"} << "film.zh.ass";
    }
    void theSubtitleFileBesideIsChosen() {
        QFETCH(QStringList, files);
        QFETCH(QString, chosen);
        QTemporaryDir folder;
        for (const QString& file : files)
            QVERIFY(write(folder.filePath(file), "1"));
        const QString found = SubtitleFileBeside(folder.filePath("film.mp4"));
        QCOMPARE(found, chosen.isEmpty() ? QString() : folder.filePath(chosen));
    }

    void aSourceStillBeingWrittenIsSaidToBeIncomplete() {
        const QString whole = path("growing.avi.whole");
        const QString growing = path("growing.avi");
        media::run("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + kSixSeconds +
                                 QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame", "-f", "avi", whole});
        QFile from(whole), to(growing);
        QVERIFY(from.open(QIODevice::ReadOnly) && to.open(QIODevice::WriteOnly));
        const qint64 chunk = from.size() / 10;
        to.write(from.read(chunk));
        to.flush();
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(kConv, convArguments(growing, path("growing.mp4")));
        // The copy goes on once ffmpeg has opened the file, a tenth of it every 300 ms: far slower than
        // ffmpeg reads, however busy the machine.
        QTRY_VERIFY_WITH_TIMEOUT(
            process.peek(1 << 16).contains("Duration:") || process.state() == QProcess::NotRunning, 30000);
        QTimer copier;
        connect(&copier, &QTimer::timeout, this, [&] {
            to.write(from.read(chunk));
            to.flush();
        });
        copier.start(300);
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, 60000);
        copier.stop();
        const QString output = QString::fromLocal8Bit(process.readAll());
        QCOMPARE(process.exitCode(), 0);
        const auto incomplete = ReadIncomplete(output);
        QVERIFY2(incomplete && incomplete->convertedSeconds < 5, qPrintable(output.right(300)));
        QVERIFY(qAbs(media::duration(media::probe(path("growing.mp4"))) - incomplete->convertedSeconds) <
                0.5);
    }

    void badArgumentsGetTheUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("flag without value") << QStringList{"-i", "a.avi", "-b"};
        QTest::newRow("unknown flag") << QStringList{"-i", "a.avi", "-q", "1", "out.mp4"};
        QTest::newRow("no output") << QStringList{"-i",   "a.avi", "-b",      "128", "-y", "-r",
                                                  "25.0", "-s",    "320x240", "-ab", "80"};
        QTest::newRow("empty bit rate") << QStringList{"-i",   "a.avi", "-b",      "",    "-y", "-r",
                                                       "25.0", "-s",    "320x240", "-ab", "80", "o.mp4"};
        QTest::newRow("odd size") << QStringList{"-i",   "a.avi", "-b",      "128", "-y", "-r",
                                                 "25.0", "-s",    "321x240", "-ab", "80", "o.mp4"};
        QTest::newRow("nothing") << QStringList{};
    }
    void badArgumentsGetTheUsage() {
        QFETCH(QStringList, arguments);
        const Run run = conv(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.output.contains("usage: conv"));
        QCOMPARE(failureSaid(run.output), ConvFailure::BadSettings);
        // Run by hand, it says so to a person too.
        QVERIFY(run.output.contains(FailureSentence(ConvFailure::BadSettings)));
    }

    void withoutFfmpegItSaysSo() {
        if (QFile::exists(QStringLiteral(PROGRAM_FOLDER "/data/ffmpeg") + platform::ExecutableSuffix()))
            QSKIP("ffmpeg lies beside conv in this program folder, as in every Windows one");
        QVERIFY(media::makeClip(path("for-path.avi"), {"-c:v", "mpeg4", "-an"}));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", path("nothing-here"));
        const Run run = conv(convArguments(path("for-path.avi"), path("for-path.mp4")), environment);
        QVERIFY(run.exitCode != 0);
        QVERIFY(run.output.contains("ffmpeg was not found"));
        QVERIFY(!QFile::exists(path("for-path.mp4")));
    }

    void theRunnerAndTheParserFollowARealConversion() {
        QVERIFY(media::makeClip(path("tmpfile.dat"), {"-c:v", "mpeg4", "-c:a", "libmp3lame", "-f", "avi"}, 8,
                                "640x480"));
        RecordingNotices desktop;
        DOSOutputs runner(desktop);
        qint32 totalSeconds = 0;
        QStringList labels;
        double bar = 0;
        connect(&runner, &DOSOutputs::ReceiveOutputs, this, [&](const QString& chunk) {
            const ProgressReading reading = ReadProgress(chunk, totalSeconds);
            totalSeconds = reading.totalSeconds;
            if (reading.display) {
                QVERIFY(reading.display->fraction >= bar);
                bar = reading.display->fraction;
                labels << reading.display->label;
            }
        });
        runner.ExecuteCommand(EncoderCommandLine(
            PROGRAM_FOLDER, path("tmpfile.dat"), path("tmpfile.mp4"),
            {.videoBitRate = "128", .frameSize = "320x240", .frameRate = "14.985", .audioBitRate = "80"}));
        QVERIFY(runner.LastRunSucceeded());
        QCOMPARE(totalSeconds, 8);
        QVERIFY2(labels.size() >= 2 && labels.first() != labels.last(), qPrintable(labels.join(' ')));
        QCOMPARE(labels.last(), QStringLiteral("100%"));
        QCOMPARE(bar, 1.0);
        QCOMPARE(media::codecs(media::probe(path("tmpfile.mp4"))), QStringList({"h264", "aac"}));
        QVERIFY(desktop.events.isEmpty());
    }

    // Stopped in either run of ffmpeg, conv ends it and removes its work; killed, it cannot, and what it
    // leaves are files beside the result named after it, which the front end's emptying of its staging folder
    // removes. Nothing goes to the working folder, and no ffmpeg outlives conv.
    void stoppingConvStopsFfmpegAndLeavesNothing_data() {
        QTest::addColumn<bool>("byForce");
        QTest::addColumn<int>("pass");
        QTest::newRow("asked to end in the first run") << false << 1;
        QTest::newRow("asked to end in the second run") << false << 2;
        QTest::newRow("killed in the first run") << true << 1;
        QTest::newRow("killed in the second run") << true << 2;
    }
    void stoppingConvStopsFfmpegAndLeavesNothing() {
        QFETCH(bool, byForce);
        QFETCH(int, pass);
        const QString source = path("long.avi");
        if (!QFile::exists(source))
            QVERIFY(media::makeClip(source, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}, 30, "640x480"));
        QTemporaryDir staging, working;
        const QString result = staging.filePath("tmpfile.mp4");
        QProcess process;
        process.setWorkingDirectory(working.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(kConv, convArguments(source, result, "25.0", "720x320"));
        const QString run = QStringLiteral("-pass %1 -passlogfile ").arg(pass) + result;
        QTRY_VERIFY_WITH_TIMEOUT(!processes::matching(run).isEmpty(), 60000);

        byForce ? process.kill() : platform::AskToStop(process);
        QVERIFY(process.waitForFinished(10000));
        QVERIFY(process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0);
        QTRY_VERIFY_WITH_TIMEOUT(processes::matching(result).isEmpty(), 5000);
        QVERIFY(!QFile::exists(result));
        QCOMPARE(QDir(working.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        const QStringList left = QDir(staging.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        if (!byForce)
            QCOMPARE(left, QStringList());
        QCOMPARE(QDir(staging.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), left);
        QCOMPARE(workFilesOf(result), left);
    }
};

QTEST_GUILESS_MAIN(TestConv)
#include "test_conv.moc"
