#pragma once

#include <QSize>
#include <QString>

#include <optional>

// The frame size an MP4 or MOV file declares in its first video track's header, read without decoding
// anything (the index may be at the file's end, as phones write it). Empty for other files.
std::optional<QSize> Mp4FrameSize(const QString& path);
