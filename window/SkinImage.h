#pragma once

#include "window/Skin.h"

#include <QAccessible>
#include <QLabel>

// The colour of the link, as browsers show one.
inline const QColor kLinkBlue(0, 0, 255);

// Sets the colour a label or field writes its text in.
void SetTextColour(QWidget* widget, const QColor& colour);

// A picture that acts as a command: it reports the pointer's movements, presses and releases over it, and
// shows whichever picture its state calls for (none lets the window's background show through), drawn for
// the screen it is on. Made a command, it also takes the keyboard's focus by Tab, runs on Space or Enter as
// on a press and release of a pointer button, and is a button (or a link) to screen readers.
class SkinImage : public QLabel {
    Q_OBJECT

  public:
    explicit SkinImage(QWidget* parent);

    // Shows `picture`, stretched over the control; a null picture clears it. Assigned again even when shown.
    void Show(const SkinPicture& picture);
    const SkinPicture& Shown() const { return m_picture; }

    // Makes it a command that the keyboard and screen readers reach, named `name` (what a sighted person
    // reads on it) with the role `role`. Until then it is only a picture, which screen readers pass over.
    void MakeCommand(const QString& name, QAccessible::Role role = QAccessible::Button);
    QAccessible::Role Role() const { return m_role; }

    // What a press and release of a pointer button over it do.
    void Activate();

  signals:
    void MouseMove();
    void MouseDown();
    void MouseUp();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent*) override { emit MouseMove(); }
    void mousePressEvent(QMouseEvent*) override { emit MouseDown(); }
    void mouseReleaseEvent(QMouseEvent*) override { emit MouseUp(); }
    void keyPressEvent(QKeyEvent* event) override;

  private:
    SkinPicture m_picture;
    QAccessible::Role m_role = QAccessible::NoRole;
};
