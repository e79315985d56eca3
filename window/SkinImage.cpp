#include "window/SkinImage.h"

#include "window/SkinLook.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>

namespace {

// A skinned command as screen readers see it: a button or a link with its name, pressed through the same
// handling as a pointer's release. A mere picture is left out of their view.
class AccessibleSkinImage : public QAccessibleWidget {
  public:
    explicit AccessibleSkinImage(SkinImage* image) : QAccessibleWidget(image, image->Role()) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (image()->Role() == QAccessible::NoRole)
            state.invisible = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && image()->accessibleName().isEmpty())
            return image()->text();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (image()->Role() != QAccessible::NoRole && image()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction() && image()->isEnabled())
            image()->Activate();
        else
            QAccessibleWidget::doAction(name);
    }

  private:
    SkinImage* image() const { return static_cast<SkinImage*>(widget()); }
};

QAccessibleInterface* accessibleSkinImage(const QString&, QObject* object) {
    if (auto* image = qobject_cast<SkinImage*>(object))
        return new AccessibleSkinImage(image);
    return nullptr;
}
} // namespace

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    // A label over a white box draws with the Text role, elsewhere with WindowText.
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

SkinImage::SkinImage(QWidget* parent) : QLabel(parent) {
    static const bool accessible = (QAccessible::installFactory(accessibleSkinImage), true);
    Q_UNUSED(accessible);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoMousePropagation);
}

void SkinImage::Show(const SkinPicture& picture) {
    m_picture = picture;
    update();
}

void SkinImage::MakeCommand(const QString& name, QAccessible::Role role) {
    m_role = role;
    setAccessibleName(name);
    // Tab reaches it; a pointer's click does not take the focus from where the keyboard left it.
    setFocusPolicy(Qt::TabFocus);
}

void SkinImage::Activate() {
    emit MouseDown();
    emit MouseUp();
}

void SkinImage::paintEvent(QPaintEvent* event) {
    if (m_picture.isNull())
        QLabel::paintEvent(event);
    QPainter painter(this);
    if (!m_picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), m_picture.At(devicePixelRatioF()));
    }
    if (hasFocus()) {
        painter.setPen(QPen(skin::kAccent, 1, Qt::DotLine));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void SkinImage::keyPressEvent(QKeyEvent* event) {
    const bool activates =
        event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (m_role != QAccessible::NoRole && activates &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            Activate();
        return;
    }
    QLabel::keyPressEvent(event);
}
