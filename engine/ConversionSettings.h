#pragma once

#include <QString>
#include <QStringList>

// One conversion setting as a fixed list of entries, in the order they are shown, and the position chosen
// when nothing else says otherwise.
struct SettingList {
    QStringList entries;
    int defaultPosition;
};

namespace ConversionSettings {
const SettingList& VideoBitRate(); // kbit/s, the list cmbVBR
const SettingList& FrameSize();    // width x height, the list cmbSize
const SettingList& FrameRate();    // frames per second, the list cmbFPS
const SettingList& AudioBitRate(); // kbit/s, the list cmbAB
} // namespace ConversionSettings

// The four values handed to the encoder: the text of each list's selected entry, trimmed; the empty text for
// a list with nothing selected.
struct EncoderOptions {
    QString videoBitRate;
    QString frameRate;
    QString frameSize;
    QString audioBitRate;
};

// Where the encoder lies in a program folder.
QString EncoderPath(const QString& programFolder);

// The command line that converts `stagedSource` into `stagedResult`. Paths are quoted only when they hold
// white space or a double quote, so that the runner's split gives each back as one word.
QString EncoderCommandLine(const QString& programFolder, const QString& stagedSource,
                           const QString& stagedResult, const EncoderOptions& options);
