#pragma once

#include <QIcon>
#include <QPixmap>

#include <array>
#include <memory>

// One picture of the skin, drawn once for each display scale (SkinScales.h) and compiled into the program.
// A drawing for a finer scale is read when a screen first asks for it; copies share what was read.
class SkinPicture {
  public:
    SkinPicture() = default;
    // The drawings of the picture `name` ("add-hover.jpg").
    explicit SkinPicture(const QString& name);

    bool isNull() const { return !m_drawings; }
    // Its size in the window's pixels.
    QSize size() const;
    // The drawing for a screen with `ratio` device pixels to the window's pixel: the one drawn for that
    // scale, else the next finer one, else the finest there is.
    QPixmap At(qreal ratio) const;

    // The same picture of the skin.
    bool operator==(const SkinPicture& other) const;

  private:
    struct Drawings;
    std::shared_ptr<Drawings> m_drawings;
};

// The window's pictures.
struct Skin {
    Skin();

    SkinPicture background;
    std::array<SkinPicture, 3> imgButtonData; // hover pictures of Add, Remove, Convert
    std::array<SkinPicture, 3> imgButtonPush; // their pressed pictures
    SkinPicture imgButtonNormal, imgButtonMove, imgButtonPush1;
    SkinPicture imgBrowseNormal, imgBrowseMove, imgBrowsePush;
    SkinPicture progress;
    SkinPicture handPicture; // the pointing hand; its fingertip is skin::kHandHotSpot
};

// The program's icon at every scale.
QIcon SkinIcon();
