#include "engine/ConversionSettings.h"

#include "platform/Platform.h"

namespace ConversionSettings {

const SettingList& VideoBitRate() {
    static const SettingList list{
        {"80", "120", "128", "256", "384", "512", "600", "640", "768", "800", "900", "1000", "1500"}, 2};
    return list;
}

const SettingList& FrameSize() {
    // Not sorted: 640x272 comes before 480x480, as users know the list.
    static const SettingList list{{"128x96", "160x120", "176x144", "320x180", "320x240", "352x288", "640x272",
                                   "480x480", "640x360", "640x480", "720x306", "720x320"},
                                  4};
    return list;
}

const SettingList& FrameRate() {
    static const SettingList list{{"14.985", "23.975", "25.0", "29.97"}, 0};
    return list;
}

const SettingList& AudioBitRate() {
    static const SettingList list{{"64", "80", "96", "128", "256"}, 1};
    return list;
}

} // namespace ConversionSettings

namespace {
// Quotes a word for QProcess::splitCommand: inside quotes, three double quotes stand for one.
QString commandWord(const QString& word) {
    const bool needsQuotes = word.isEmpty() || word.contains(u'"') ||
                             std::any_of(word.begin(), word.end(), [](QChar c) { return c.isSpace(); });
    if (!needsQuotes)
        return word;
    QString quoted = word;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\"\""));
    return u'"' + quoted + u'"';
}
} // namespace

QString EncoderPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/data/conv") + platform::ExecutableSuffix();
}

QString EncoderCommandLine(const QString& programFolder, const QString& stagedSource,
                           const QString& stagedResult, const EncoderOptions& options) {
    return commandWord(EncoderPath(programFolder)) + QStringLiteral(" -i ") + commandWord(stagedSource) +
           QStringLiteral(" -b ") + options.videoBitRate + QStringLiteral(" -y -r ") + options.frameRate +
           QStringLiteral(" -s ") + options.frameSize + QStringLiteral(" -ab ") + options.audioBitRate +
           u' ' + commandWord(stagedResult);
}
