#pragma once

#include <QString>

#include <optional>

// The length an AVI file declares in its main header, in seconds: its frame count times its frame time (the
// extended header's count for files over 1 GB). ffmpeg reports the length it finds instead, so a file cut
// short looks whole to it. Empty for a file that is not AVI or declares nothing.
std::optional<double> AviDeclaredSeconds(const QString& path);
