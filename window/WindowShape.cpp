#include "window/WindowShape.h"

#include "window/SkinLook.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformwindow.h>

QBitmap KeyColourMask(const QImage& picture) {
    // The mask image marks the key colour's pixels; made a bitmap, those are the part the window leaves out.
    return QBitmap::fromImage(picture.createMaskFromColor(skin::kKeyColour.rgb(), Qt::MaskInColor));
}

WindowShape::WindowShape(QWidget& window, const SkinPicture& background)
    : QObject(&window), m_window(window), m_background(background) {
    window.installEventFilter(this);
}

bool WindowShape::eventFilter(QObject* watched, QEvent* event) {
    // A new native window has no shape yet; every change of scale repaints the window.
    if (event->type() == QEvent::WinIdChange)
        m_scale = 0;
    else if (event->type() == QEvent::Paint && m_window.devicePixelRatioF() != m_scale)
        Cut(m_window.devicePixelRatioF());
    return QObject::eventFilter(watched, event);
}

void WindowShape::Cut(qreal ratio) {
    emit ScaleChanged(ratio);
    QWindow* window = m_window.windowHandle();
    QPlatformWindow* native = window ? window->handle() : nullptr;
    const QPixmap drawing = m_background.At(ratio);
    m_scale = native ? ratio : 0;
    if (!native || drawing.isNull())
        return;
    QImage outline = drawing.toImage();
    // A screen finer than any drawing gets the finest scaled up, without blending: the key colour stays pure.
    if (!qFuzzyCompare(drawing.devicePixelRatio(), ratio))
        outline = outline.scaled(outline.size() * (ratio / drawing.devicePixelRatio()));
    native->setMask(QRegion(KeyColourMask(outline.copy(QRect(QPoint(), native->geometry().size())))));
}
