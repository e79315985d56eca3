#pragma once

#include <QSize>
#include <QString>

#include <optional>

// The frame size an MP4 or MOV file declares in its first video track's header, read without decoding
// anything (the index may be at the file's end, as phones write it). Empty for other files.
std::optional<QSize> Mp4FrameSize(const QString& path);

// The length of the longest picture or sound track an MP4 or MOV file declares in its index, in seconds: a
// subtitle track may run longer, and says nothing of whether the file is whole. Empty for other files.
std::optional<double> Mp4MediaSeconds(const QString& path);

// Whether the MP4 file at `path` is a result of conv's, as the metadata key in its index tells.
bool CarriesResultMark(const QString& path);
