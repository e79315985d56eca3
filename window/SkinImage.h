#pragma once

#include <QLabel>
#include <QMouseEvent>

// A picture that acts as a command: it reports the pointer's movements, presses and releases over it, and
// shows whichever picture its state calls for (none lets the window's background show through).
class SkinImage : public QLabel {
    Q_OBJECT

  public:
    explicit SkinImage(QWidget* parent) : QLabel(parent) {
        setMouseTracking(true);
        setAttribute(Qt::WA_NoMousePropagation);
    }

    // Shows `picture`, scaled to the control; a null picture clears it. Assigned again even when shown.
    void Show(const QPixmap& picture) {
        if (picture.isNull())
            clear();
        else
            setPixmap(picture.scaled(size()));
    }

  signals:
    void MouseMove();
    void MouseDown();
    void MouseUp();

  protected:
    void mouseMoveEvent(QMouseEvent*) override { emit MouseMove(); }
    void mousePressEvent(QMouseEvent*) override { emit MouseDown(); }
    void mouseReleaseEvent(QMouseEvent*) override { emit MouseUp(); }
};
