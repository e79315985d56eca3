#pragma once

#include <QString>

#include <optional>

// The length an ASF file (WMV, WMA) declares in its file properties, in seconds, less the time its players
// wait before the first sample. ffmpeg finds no length in a file whose index at the end is missing, so a file
// cut short would look whole. Empty for a file that is not ASF, is a live broadcast, or declares nothing.
std::optional<double> AsfDeclaredSeconds(const QString& path);
