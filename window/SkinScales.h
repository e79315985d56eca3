#pragma once

#include <QString>

#include <array>

// The display scales the skin's pictures are drawn for: the usual desktop settings from 100 % to 200 %. A
// screen between two of them gets the finer drawing, shrunk a little; one beyond 200 % gets the 200 % one.
inline constexpr std::array<double, 5> kSkinScales{1.0, 1.25, 1.5, 1.75, 2.0};

// The file a picture is drawn into at `scale`: "add-hover.jpg", "add-hover@1.25x.jpg", "add-hover@2x.jpg".
inline QString SkinFileName(const QString& name, double scale) {
    if (scale == 1.0)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    return name.left(dot) + u'@' + QString::number(scale) + u'x' + name.mid(dot);
}
