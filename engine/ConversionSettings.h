#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>

// The four conversion settings, in the order the window shows them and setup.ini keeps them.
enum class Setting { VideoBitRate, FrameSize, FrameRate, AudioBitRate };
inline constexpr std::size_t kSettingCount = 4;

// Everything the program knows of one setting: the window's list and caption, and the flag that hands it to
// conv.
struct SettingDefinition {
    QString name;        // the controls' name after their prefix: "VBR" for cmbVBR and picVBR
    QStringList entries; // in the order they are shown
    int defaultPosition; // chosen when nothing else says otherwise
    QString caption;     // the window's caption over the list, as a screen reader says it
    QString convFlag;    // conv's flag whose value it is
};

namespace ConversionSettings {
// The four, in the order of `Setting`.
const std::array<SettingDefinition, kSettingCount>& All();
const SettingDefinition& Of(Setting setting);
} // namespace ConversionSettings

// The four values handed to the encoder, one for each setting, in the order of `Setting`: the text of its
// list's selected entry, trimmed; the empty text for a list with nothing selected.
struct EncoderOptions {
    QString videoBitRate;
    QString frameSize;
    QString frameRate;
    QString audioBitRate;

    QString& operator[](Setting setting);
    const QString& operator[](Setting setting) const;
};

// Where the encoder lies in a program folder.
QString EncoderPath(const QString& programFolder);

// The command line that converts `stagedSource` into `stagedResult`. Paths are quoted only when they hold
// white space or a double quote, so that the runner's split gives each back as one word.
QString EncoderCommandLine(const QString& programFolder, const QString& stagedSource,
                           const QString& stagedResult, const EncoderOptions& options);
