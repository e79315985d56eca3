#include "conv/FfmpegRuns.h"

#include "conv/ConvProtocol.h"
#include "conv/Subtitles.h"
#include <QRegularExpression>

#include <array>

namespace {
// Where the source has this many times the output's pixels, its decoder skips the deblocking filter: the
// blocks it would smooth shrink below a pixel, and decoding, most of the work, takes a tenth less.
constexpr int kCheapDecodeShrink = 16;

// Frames up to CIF's size, where x264's work is a small part of the whole.
constexpr int kSmallFramePixels = 352 * 288;

bool isSmall(QSize frame) {
    return frame.width() * frame.height() <= kSmallFramePixels;
}

// The levels of H.264 Main profile: macroblocks a second and a frame, bit rate (kbit/s) and buffer (kbit).
struct LevelLimits {
    const char* name;
    int macroblocksPerSecond;
    int macroblocksPerFrame;
    int maxKbps;
    int bufferKbit;
};
constexpr std::array kLevels{LevelLimits{"1", 1485, 99, 64, 175},
                             LevelLimits{"1.1", 3000, 396, 192, 500},
                             LevelLimits{"1.2", 6000, 396, 384, 1000},
                             LevelLimits{"1.3", 11880, 396, 768, 2000},
                             LevelLimits{"2", 11880, 396, 2000, 2000},
                             LevelLimits{"2.1", 19800, 792, 4000, 4000},
                             LevelLimits{"2.2", 20250, 1620, 4000, 4000},
                             LevelLimits{"3", 40500, 1620, 10000, 10000},
                             LevelLimits{"3.1", 108000, 3600, 14000, 14000},
                             LevelLimits{"3.2", 216000, 5120, 20000, 20000},
                             LevelLimits{"4", 245760, 8192, 20000, 25000}};

// x264's B-frames (three, in a pyramid) put the first picture two frames into the file's own timeline, where
// a player that ignores edit lists shows it.
constexpr int kReorderFrames = 2;

// The frame rate of NTSC television, give or take the rounding of "29.97".
constexpr double kNtscVideoRate = 29.9;

// The frames at the output's rate, deinterlaced where they are interlaced. A picture that starts after the
// sound is preceded by its first frame from the start, in the stream itself, where a player that ignores edit
// lists meets it too. A last frame that no output frame's time falls on still gives one: a camera's single
// frame is a picture, not nothing.
QString frameTimesFilter(const ConvArguments& arguments, Cadence cadence) {
    const QString rate = QStringLiteral("fps=%1:start_time=0:eof_action=pass").arg(arguments.frameRate);
    // Film under the fields is matched back into its frames first, the frame that 3:2 repeats dropped, so
    // that every output rate steps through the film evenly; what stays combed (video-rate titles) is
    // deinterlaced.
    const QString matched = QStringLiteral("fieldmatch,yadif=deint=interlaced");
    switch (cadence) {
    case Cadence::Pulldown32:
        // At 30 frames a second the film's repeated frame is the one an even resampling repeats too, and
        // video-rate titles keep every step they have.
        if (arguments.frameRate.toDouble() >= kNtscVideoRate)
            return matched + u',' + rate;
        return matched + QStringLiteral(",decimate,") + rate;
    case Cadence::Pulldown22:
        return matched + u',' + rate;
    case Cadence::Video:
        break;
    }
    return rate + QStringLiteral(",yadif=deint=interlaced");
}

// The frames the cadence run looks at: five seconds of television, 30 cycles of 3:2. Their decoding is most
// of its work (2 s for 1080i H.264 here).
constexpr int kCadenceFrames = 150;

// Of the frames that fieldmatch makes of the fields, at least this share is whole (no combing left) where
// film lies under them; of true video, with motion, hardly any.
constexpr double kWholeOnceMatched = 0.8;

// 3:2 repeats a field in two frames of five; 2:2 none.
constexpr double kRepeatedFieldsOf32 = 0.2;

// The AAC encoder's own lead-in, 1,024 samples: 21 ms at 48 kHz, 23 at 44.1.
constexpr double kEncoderLeadSeconds = 1024.0 / 48000;

// The sound's times, so that it is in step on players that ignore edit lists as on those that keep them.
// Sound that starts after the picture, or pauses, is filled with silence in the stream itself. Before the
// start it gets silence as long as the picture's B-frame delay, less the encoder's lead-in; the sound's edit
// list skips both. Where edit lists are ignored the picture starts that late, and the sound with it.
QString soundTimesFilter(const ConvArguments& arguments) {
    const double lead = kReorderFrames / arguments.frameRate.toDouble() - kEncoderLeadSeconds;
    return QStringLiteral("aresample=async=1:first_pts=0,adelay=delays=%1:all=1,asetpts=PTS-%2/TB")
        .arg(lead * 1000, 0, 'f', 3)
        .arg(lead, 0, 'f', 6);
}

// The picture keeps its shape: scaled by its display aspect (pixel aspect included; ffmpeg has already turned
// a rotated clip upright) to fit inside the frame, centred on black (frameFilter). A shape within 3 % of the
// frame's fills it. The frames the output's rate drops go first, so that none of them is deinterlaced or
// scaled; interlaced frames are deinterlaced while their lines are still the source's. The output's frames
// start at the source's start: a picture that starts a fraction of a frame after it (MKV shifts it by the
// sound encoder's lead-in) has its first frame shown from there, not a frame later and one short. `colour`
// holds the colour steps before, in and after the scaling.
struct ColourSteps {
    QString before;
    QString scaler;
    QString after;
};

QString pictureFilter(const ConvArguments& arguments, const ColourSteps& colour, Cadence cadence) {
    const QString width = QString::number(arguments.frameSize.width());
    const QString height = QString::number(arguments.frameSize.height());
    const QString close = QStringLiteral("lt(abs(dar*%2/%1-1),0.03)").arg(width, height);
    const QString wider = QStringLiteral("gt(dar,%1/%2)").arg(width, height);
    const QString scaledWidth =
        QStringLiteral("if(not(%1)*not(%2),max(2,2*round(%3*dar/2)),%4)").arg(close, wider, height, width);
    const QString scaledHeight =
        QStringLiteral("if(not(%1)*%2,max(2,2*round(%3/dar/2)),%4)").arg(close, wider, width, height);
    return QStringLiteral("%1,%4scale=w='%2':h='%3':flags=lanczos%5,%6format=yuv420p")
        .arg(frameTimesFilter(arguments, cadence), scaledWidth, scaledHeight, colour.before, colour.scaler,
             colour.after);
}

QString frameFilter(const ConvArguments& arguments) {
    return QStringLiteral("pad=%1:%2:(ow-iw)/2:(oh-ih)/2:black,setsar=1")
        .arg(arguments.frameSize.width())
        .arg(arguments.frameSize.height());
}

bool isHdr(const std::optional<SourceStream>& picture) {
    return picture && (picture->transfer == QStringLiteral("smpte2084") ||
                       picture->transfer == QStringLiteral("arib-std-b67"));
}

// A picture in PQ or HLG (HDR10, phones' HDR) becomes what an SDR screen shows: in linear light, with the
// SDR white at 1, the mobius curve keeps what an SDR picture holds nearly as it is and rolls the highlights
// off up to the source's peak, and what is brighter than twice the SDR white loses colour rather than turn
// into another one; then BT.709. On a picture made from an SDR one, hable's curve left it a fifth darker
// with three quarters of its contrast and colour, mobius within a twentieth and a tenth. A picture wider
// than twice the output is first shrunk to that, in linear light: the floating-point steps that follow
// then cost a quarter of their time on a 1080p source.
QString hdrStep(const ConvArguments& arguments) {
    return QStringLiteral("zscale=w='min(iw,%1)':h=-2:f=bicubic:t=linear:npl=100,format=gbrpf32le,"
                          "zscale=p=bt709,tonemap=mobius:desat=2,zscale=t=bt709:m=bt709:r=tv,format=yuv420p,")
        .arg(2 * arguments.frameSize.width());
}

// Every result is BT.709 in limited range, as every small device takes it: a source in another matrix or in
// full range (phones' and cameras' yuvj) is converted, by the matrix the file says or, where it says none,
// the one players assume: BT.601 below HD, BT.709 from it. zimg converts it once the picture has its output
// size, its colours still at full resolution there, and halves them after: the scaler's own conversion
// blurred the picture (0.7 dB of SSIM on an SD trailer, scaled alone), and one at half resolution its colours
// (2 dB). Red, green and blue (PNG, GIF, screen codecs, a cinema's XYZ) become BT.709 in the scaler itself,
// with nothing to blur, as does a picture whose track ffmpeg did not describe.
ColourSteps colourSteps(const std::optional<SourceStream>& picture, const ConvArguments& arguments) {
    if (!picture || picture->rgb)
        return {{}, QStringLiteral(":out_color_matrix=bt709:out_range=tv"), {}};
    if (isHdr(picture))
        return {hdrStep(arguments), {}, {}};
    if (picture->matrix == QStringLiteral("bt709") && !picture->fullRange)
        return {};
    // A picture of luma and colour that says its matrix is red, green and blue says nothing true.
    QString matrix = QStringLiteral("input");
    if (picture->matrix.isEmpty() || picture->matrix == QStringLiteral("gbr"))
        matrix = picture->size.height() >= 720 || picture->size.width() >= 1280 ? QStringLiteral("709")
                                                                                : QStringLiteral("170m");
    // BT.2020 without HDR (a few phones and cameras) has its wider primaries brought into BT.709's; its
    // transfer is BT.709's.
    const QString primaries = picture->matrix.startsWith(QStringLiteral("bt2020"))
                                  ? QStringLiteral(":pin=2020:p=709:tin=709:t=709")
                                  : QString();
    const auto [format, range] = picture->fullRange
                                     ? std::pair(QStringLiteral("yuvj444p"), QStringLiteral("full"))
                                     : std::pair(QStringLiteral("yuv444p"), QStringLiteral("limited"));
    return {{},
            {},
            QStringLiteral("format=%1,zscale=f=lanczos:min=%2:m=709:rin=%3:r=limited%4,")
                .arg(format, matrix, range, primaries)};
}

// What a player shows over the picture, drawn on it once scaled, so that it sits inside it as a player
// places it, at the output's sharpness; after the rate's change, at each kept frame's own time. It is drawn
// on red, green and blue, which libass and the overlay take as they are: on luma and colour they blend in
// BT.601, and a yellow subtitle came out green-tinged in the BT.709 result.
QString subtitleStep(const std::optional<BurntSubtitles>& subtitles) {
    if (!subtitles)
        return {};
    const QString backToBt709 = QStringLiteral(",scale=out_color_matrix=bt709:out_range=tv,format=yuv420p");
    if (subtitles->pictureTrack >= 0)
        // The pictures are drawn for the source's frame: scaled with it to the picture's size.
        return QStringLiteral("[picture];[0:%1][picture]scale2ref[subtitles][scaled];"
                              "[scaled][subtitles]overlay=eof_action=pass:format=gbrp%2")
            .arg(subtitles->pictureTrack)
            .arg(backToBt709);
    QString filter = QStringLiteral(",format=gbrp,subtitles=filename=") +
                     FilterGraphValue(QStringLiteral("file:") + subtitles->textFile);
    if (subtitles->textTrack >= 0)
        filter += QStringLiteral(":si=%1").arg(subtitles->textTrack);
    return filter + backToBt709;
}

// The result's colours, said in its stream for every player.
QStringList colourTags() {
    return {QStringLiteral("-color_primaries"), QStringLiteral("bt709"),
            QStringLiteral("-color_trc"),       QStringLiteral("bt709"),
            QStringLiteral("-colorspace"),      QStringLiteral("bt709"),
            QStringLiteral("-color_range"),     QStringLiteral("tv")};
}

// Many channels mixed add up past full scale (a full 7.1 to 10 dB over), and scaling the mix down to fit
// would leave the centre's dialogue that much quieter: a look-ahead limiter holds the mix's peaks at -3 dBFS
// (room for the AAC encoder's own overshoot) and leaves everything below alone, so nothing pumps. Mono and
// stereo are not mixed: the channel count gates which branch carries the source (x + 0 is x), so theirs
// reaches the encoder untouched. Each branch mixes in its own "aresample", after its gate: else ffmpeg may
// mix before the split, and both gates would see two channels. The untouched branch is amix's first input,
// which times its output: the limiter's look-ahead starts its own output a few milliseconds short.
QString soundMixFilter() {
    const QString layouts = QStringLiteral("channel_layouts=mono|stereo");
    return QStringLiteral("asplit[many][few];"
                          "[many]volume='gt(nb_channels,2)',aresample,aformat=sample_fmts=dbl:%1,"
                          "alimiter=limit=0.708:level=0:latency=1,aformat=sample_fmts=fltp:%1[mixed];"
                          "[few]volume='lte(nb_channels,2)',aresample,aformat=sample_fmts=fltp:%1[kept];"
                          "[kept][mixed]amix=inputs=2:normalize=0,aformat=sample_rates=44100|48000:%1")
        .arg(layouts);
}

// Sound that every small player takes: mono stays mono, more channels are mixed down to stereo (centre and
// surrounds folded in), and a rate other than 44.1 or 48 kHz becomes the nearer of the two.
QString soundFilter(const ConvArguments& arguments) {
    return soundTimesFilter(arguments) + u',' + soundMixFilter();
}

// What both runs of ffmpeg start with: its log for conv to read, its progress on its standard output.
QStringList commonArguments() {
    return {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
            QStringLiteral("-nostats"),     QStringLiteral("-loglevel"),
            QStringLiteral("level+info"),   QStringLiteral("-progress"),
            QStringLiteral("pipe:1"),       QStringLiteral("-stats_period"),
            QStringLiteral("0.25"),         QStringLiteral("-y")};
}

// The same rate control in both passes, as x264 requires: the asked average over the clip, within the
// ceiling of the least level that plays it. No frame is quantised finer than 6, which the eye cannot tell
// from finer: on a still screen x264 went down to 3 and spent 5 % over the rate.
QStringList videoEncoder(const ConvArguments& arguments, const WorkFiles& files, int pass) {
    const H264Level level = LevelFor(arguments);
    // x264's slow preset gave nothing more than medium over the bench's table, for a tenth more time.
    return {QStringLiteral("-c:v"),         QStringLiteral("libx264"),
            QStringLiteral("-preset"),      QStringLiteral("medium"),
            QStringLiteral("-profile:v"),   QStringLiteral("main"),
            QStringLiteral("-level:v"),     level.name,
            QStringLiteral("-pix_fmt"),     QStringLiteral("yuv420p"),
            QStringLiteral("-b:v"),         QStringLiteral("%1k").arg(arguments.videoKbps),
            QStringLiteral("-maxrate"),     QStringLiteral("%1k").arg(level.maxKbps),
            QStringLiteral("-bufsize"),     QStringLiteral("%1k").arg(level.bufferKbit),
            QStringLiteral("-qmin"),        QStringLiteral("6"),
            QStringLiteral("-pass"),        QString::number(pass),
            QStringLiteral("-passlogfile"), files.passLog};
}

QStringList soundEncoder(const ConvArguments& arguments) {
    return {QStringLiteral("-c:a"),       QStringLiteral("aac"),
            QStringLiteral("-profile:a"), QStringLiteral("aac_low"),
            QStringLiteral("-b:a"),       QStringLiteral("%1k").arg(arguments.audioKbps)};
}

// The map of the sound track a player plays; the first where the tracks are not known.
QStringList soundTrack(const QList<SourceStream>& streams) {
    if (streams.isEmpty())
        return {QStringLiteral("-map"), QStringLiteral("0:a:0?")};
    if (const auto sound = ChooseSound(streams))
        return {QStringLiteral("-map"), QStringLiteral("0:%1").arg(sound->index)};
    return {};
}

} // namespace

WorkFiles::WorkFiles(const QString& output)
    : partial(output + QStringLiteral(".part")), intermediate(output + QStringLiteral(".part.mov")),
      passLog(output + QStringLiteral(".part-pass")), subtitles(output + QStringLiteral(".part-subtitles")) {}

QStringList WorkFiles::All() const {
    // x264 writes its notes as "<stem>-0.log" and "<stem>-0.log.mbtree", each first under ".temp".
    const QString log = passLog + QStringLiteral("-0.log");
    const QString tree = log + QStringLiteral(".mbtree");
    return {partial,  intermediate, log, log + QStringLiteral(".temp"), tree, tree + QStringLiteral(".temp"),
            subtitles};
}

QStringList LookArguments(const ConvArguments& arguments) {
    return {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
            QStringLiteral("-loglevel"),    QStringLiteral("level+info"),
            QStringLiteral("-i"),           QStringLiteral("file:") + arguments.input};
}

QStringList CadenceRunArguments(const ConvArguments& arguments) {
    // ffmpeg's interlace detector before the fields are matched (how many frames repeat a field) and after
    // (how many frames are whole), on frames narrowed to a few hundred pixels: the lines, where combing
    // shows, are all kept.
    return commonArguments() +
           QStringList{QStringLiteral("-i"),
                       QStringLiteral("file:") + arguments.input,
                       QStringLiteral("-map"),
                       QStringLiteral("0:V:0"),
                       QStringLiteral("-vf"),
                       QStringLiteral(
                           "scale=w='min(iw,360)':h=ih:flags=neighbor,idet@fields,fieldmatch,idet@matched"),
                       QStringLiteral("-frames:v"),
                       QString::number(kCadenceFrames),
                       QStringLiteral("-f"),
                       QStringLiteral("null"),
                       QStringLiteral("-")};
}

Cadence CadenceOf(const QStringList& log) {
    static const QRegularExpression repeated(
        QStringLiteral("idet@fields .*Repeated Fields: Neither: *([0-9]+) Top: *([0-9]+) Bottom: *([0-9]+)"));
    static const QRegularExpression matched(QStringLiteral(
        "idet@matched .*Multi frame detection: TFF: *([0-9]+) BFF: *([0-9]+) Progressive: *([0-9]+) "
        "Undetermined: *([0-9]+)"));
    double repeatedShare = 0;
    double wholeShare = 0;
    for (const QString& line : log) {
        if (const auto found = repeated.match(line); found.hasMatch()) {
            const double repeats = found.captured(2).toDouble() + found.captured(3).toDouble();
            const double all = found.captured(1).toDouble() + repeats;
            repeatedShare = all > 0 ? repeats / all : 0;
        }
        if (const auto found = matched.match(line); found.hasMatch()) {
            double all = 0;
            for (int i = 1; i <= 4; ++i)
                all += found.captured(i).toDouble();
            wholeShare = all > 0 ? found.captured(3).toDouble() / all : 0;
        }
    }
    if (wholeShare < kWholeOnceMatched)
        return Cadence::Video;
    return repeatedShare >= kRepeatedFieldsOf32 ? Cadence::Pulldown32 : Cadence::Pulldown22;
}

QStringList FirstRunArguments(const ConvArguments& arguments, const WorkFiles& files, QSize source,
                              const QList<SourceStream>& streams,
                              const std::optional<BurntSubtitles>& subtitles, Cadence cadence) {
    QStringList run = commonArguments();
    const qint64 output = qint64(arguments.frameSize.width()) * arguments.frameSize.height();
    const bool muchLarger = qint64(source.width()) * source.height() >= kCheapDecodeShrink * output;
    if (muchLarger)
        run << QStringLiteral("-skip_loop_filter") << QStringLiteral("all");
    // Where the run waits for the source's decoding, the encoders of its small frames keep to one thread
    // each: more cost a fortieth more of the whole job's CPU (1080p into 320x240) and save no time. Where
    // they are the bulk of the run, one thread each costs a sixteenth more time (640x480 into 640x480).
    const QStringList threads =
        muchLarger ? QStringList{QStringLiteral("-threads"), QStringLiteral("1")} : QStringList();
    // "file:" keeps a name that starts with a dash or holds a colon from being read as an option or protocol.
    // The first real video track (a cover picture is none) and the sound track a player plays, if any.
    const auto picture = PictureStream(streams);
    run << QStringLiteral("-i") << QStringLiteral("file:") + arguments.input
        << QStringLiteral("-filter_complex")
        << QStringLiteral("[0:V:0]%1%2,%3,split[study][kept]")
               .arg(pictureFilter(arguments, colourSteps(picture, arguments), cadence),
                    subtitleStep(subtitles), frameFilter(arguments));
    // Both encoders take the filter's frames as they come: MOV would otherwise have frames doubled or dropped
    // to its own clock, and the second pass would meet more or fewer frames than the first noted.
    const QStringList everyFrame{QStringLiteral("-fps_mode"), QStringLiteral("passthrough")};
    // The first pass's output first: its notes are named after its stream's place, the same in both runs.
    run << QStringLiteral("-map") << QStringLiteral("[study]") << videoEncoder(arguments, files, 1) << threads
        << everyFrame << QStringLiteral("-f") << QStringLiteral("null") << QStringLiteral("-");
    // The sound is encoded once, here, where the source's decoding leaves a core room for it. MOV keeps it
    // in the intermediate with its encoder's lead-in marked, so that it starts with the picture when copied.
    run << QStringLiteral("-map") << QStringLiteral("[kept]") << soundTrack(streams) << QStringLiteral("-c:v")
        << QStringLiteral("libx264") << threads << QStringLiteral("-qp") << QStringLiteral("0")
        << QStringLiteral("-preset") << QStringLiteral("ultrafast") << everyFrame << QStringLiteral("-af")
        << soundFilter(arguments) << soundEncoder(arguments) << QStringLiteral("-f") << QStringLiteral("mov")
        << QStringLiteral("file:") + files.intermediate;
    return run;
}

QStringList SecondRunArguments(const ConvArguments& arguments, const WorkFiles& files) {
    return commonArguments() +
           QStringList{QStringLiteral("-i"), QStringLiteral("file:") + files.intermediate,
                       QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-map"),
                       QStringLiteral("0:a:0?"),
                       // The first run's frames, each kept: the notes count them.
                       QStringLiteral("-fps_mode"), QStringLiteral("passthrough"), QStringLiteral("-r"),
                       arguments.frameRate} +
           videoEncoder(arguments, files, 2) + colourTags() +
           QStringList{
               QStringLiteral("-c:a"), QStringLiteral("copy"),
               // The index first, for playing while it loads; the mark in the index as a key of its own.
               QStringLiteral("-movflags"), QStringLiteral("+faststart+use_metadata_tags"),
               QStringLiteral("-metadata"), kResultMarkKey + QStringLiteral("=conv"), QStringLiteral("-f"),
               QStringLiteral("mp4"), QStringLiteral("file:") + files.partial};
}

double FirstRunShare(const ConvArguments& arguments) {
    return isSmall(arguments.frameSize) ? 0.8 : 0.45;
}

H264Level LevelFor(const ConvArguments& arguments) {
    const int macroblocks =
        ((arguments.frameSize.width() + 15) / 16) * ((arguments.frameSize.height() + 15) / 16);
    const double perSecond = macroblocks * arguments.frameRate.toDouble();
    for (const LevelLimits& level : kLevels)
        if (macroblocks <= level.macroblocksPerFrame && perSecond <= level.macroblocksPerSecond &&
            2 * arguments.videoKbps <= level.maxKbps)
            return {QString::fromLatin1(level.name), level.maxKbps, level.bufferKbit};
    const LevelLimits& highest = kLevels.back();
    return {QString::fromLatin1(highest.name), highest.maxKbps, highest.bufferKbit};
}
