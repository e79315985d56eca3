#pragma once

#include <QString>

// The part of `Path` after its last folder separator: the whole of `Path` when it holds none, the empty text
// when it ends with one.
QString GetFileName(const QString& Path);

// The file name of `Path` up to its first full stop: "clip" for clip.part1.avi, empty for .hidden.avi.
QString GetBaseName(const QString& Path);
