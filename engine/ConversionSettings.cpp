#include "engine/ConversionSettings.h"

#include "platform/Platform.h"

#include <algorithm>
#include <utility>

namespace ConversionSettings {

const std::array<SettingDefinition, kSettingCount>& All() {
    static const std::array<SettingDefinition, kSettingCount> settings{{
        {QStringLiteral("VBR"),
         {"80", "120", "128", "256", "384", "512", "600", "640", "768", "800", "900", "1000", "1500"},
         2,
         QStringLiteral("视频比特率 (Kbps)"),
         QStringLiteral("-b")},
        // Not sorted: 640x272 comes before 480x480, as users know the list.
        {QStringLiteral("Size"),
         {"128x96", "160x120", "176x144", "320x180", "320x240", "352x288", "640x272", "480x480", "640x360",
          "640x480", "720x306", "720x320"},
         4,
         QStringLiteral("屏幕尺寸 (W x H)"),
         QStringLiteral("-s")},
        {QStringLiteral("FPS"),
         {"14.985", "23.975", "25.0", "29.97"},
         0,
         QStringLiteral("帧率 (FPS)"),
         QStringLiteral("-r")},
        {QStringLiteral("AB"),
         {"64", "80", "96", "128", "256"},
         1,
         QStringLiteral("音频比特率 (Kbps)"),
         QStringLiteral("-ab")},
    }};
    return settings;
}

const SettingDefinition& Of(Setting setting) {
    return All()[static_cast<std::size_t>(setting)];
}

} // namespace ConversionSettings

QString& EncoderOptions::operator[](Setting setting) {
    return const_cast<QString&>(std::as_const(*this)[setting]);
}

const QString& EncoderOptions::operator[](Setting setting) const {
    switch (setting) {
    case Setting::VideoBitRate:
        return videoBitRate;
    case Setting::FrameSize:
        return frameSize;
    case Setting::FrameRate:
        return frameRate;
    case Setting::AudioBitRate:
        break;
    }
    return audioBitRate;
}

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
    const auto option = [&options](Setting setting) {
        return u' ' + ConversionSettings::Of(setting).convFlag + u' ' + options[setting];
    };
    // conv's order, which is not the window's.
    return commandWord(EncoderPath(programFolder)) + QStringLiteral(" -i ") + commandWord(stagedSource) +
           option(Setting::VideoBitRate) + QStringLiteral(" -y") + option(Setting::FrameRate) +
           option(Setting::FrameSize) + option(Setting::AudioBitRate) + u' ' + commandWord(stagedResult);
}
