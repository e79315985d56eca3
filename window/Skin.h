#pragma once

#include <QCursor>
#include <QPixmap>
#include <array>

// The window's pictures, compiled into the program.
struct Skin {
    Skin();

    QPixmap background;
    std::array<QPixmap, 3> imgButtonData; // hover pictures of Add, Remove, Convert
    std::array<QPixmap, 3> imgButtonPush; // their pressed pictures
    QPixmap imgButtonNormal, imgButtonMove, imgButtonPush1;
    QPixmap imgBrowseNormal, imgBrowseMove, imgBrowsePush;
    QPixmap progress;
    QCursor hand;
};
