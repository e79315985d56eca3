#include "Skin.h"

#include "SkinScales.h"

#include <QtMath>

namespace {
QString resource(const QString& name, double scale) {
    return QStringLiteral(":/skin/") + SkinFileName(name, scale);
}
} // namespace

SkinPicture::SkinPicture(const QString& name) {
    for (const double scale : kSkinScales) {
        QPixmap drawing(resource(name, scale));
        if (drawing.isNull())
            continue;
        drawing.setDevicePixelRatio(scale);
        m_drawings.push_back(drawing);
    }
}

QSize SkinPicture::size() const {
    return isNull() ? QSize() : m_drawings.front().size();
}

QPixmap SkinPicture::At(qreal ratio) const {
    for (const QPixmap& drawing : m_drawings)
        if (drawing.devicePixelRatio() >= ratio - 0.01)
            return drawing;
    return isNull() ? QPixmap() : m_drawings.back();
}

bool SkinPicture::operator==(const SkinPicture& other) const {
    return isNull() ? other.isNull()
                    : !other.isNull() && m_drawings.front().cacheKey() == other.m_drawings.front().cacheKey();
}

Skin::Skin()
    : background(QStringLiteral("background.png")),
      imgButtonData{SkinPicture(QStringLiteral("add-hover.jpg")),
                    SkinPicture(QStringLiteral("remove-hover.jpg")),
                    SkinPicture(QStringLiteral("convert-hover.jpg"))},
      imgButtonPush{SkinPicture(QStringLiteral("add-pressed.jpg")),
                    SkinPicture(QStringLiteral("remove-pressed.jpg")),
                    SkinPicture(QStringLiteral("convert-pressed.jpg"))},
      imgButtonNormal(QStringLiteral("option-normal.jpg")), imgButtonMove(QStringLiteral("option-hover.jpg")),
      imgButtonPush1(QStringLiteral("option-pressed.jpg")),
      imgBrowseNormal(QStringLiteral("browse-normal.jpg")), imgBrowseMove(QStringLiteral("browse-hover.jpg")),
      imgBrowsePush(QStringLiteral("browse-pressed.jpg")), progress(QStringLiteral("progress.png")),
      handPicture(QStringLiteral("hand.png")) {}

QCursor Skin::Hand(qreal ratio) const {
    if (handPicture.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(handPicture.At(ratio), 6, 0);
}

QIcon SkinIcon() {
    QIcon icon;
    for (const double scale : kSkinScales)
        icon.addFile(resource(QStringLiteral("icon.png"), scale));
    return icon;
}
