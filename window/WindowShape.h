#pragma once

#include "window/Skin.h"

#include <QBitmap>
#include <QObject>

class QWidget;

// The window's shape: every pixel of `picture` but those of the key colour, skin::kKeyColour.
QBitmap KeyColourMask(const QImage& picture);

// Cuts a frameless window to the outline of its background picture, in the screen's own pixels for the scale
// it is shown at, and again whenever that scale (another screen, a changed setting) or the native window
// changes: a shape given in the window's pixels would be scaled up in steps, and leave a fringe of the key
// colour where they miss.
class WindowShape : public QObject {
    Q_OBJECT

  public:
    WindowShape(QWidget& window, const SkinPicture& background);

  signals:
    // The window is now shown at `ratio` device pixels to its pixel.
    void ScaleChanged(qreal ratio);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Cut(qreal ratio);

    QWidget& m_window;
    const SkinPicture m_background;
    qreal m_scale = 0; // the ratio the shape was cut for; 0 while it has none
};
