#include "window/Skin.h"

#include "window/SkinScales.h"

#include <algorithm>

namespace {
QString resource(const QString& name, double scale) {
    return QStringLiteral(":/skin/") + SkinFileName(name, scale);
}
} // namespace

struct SkinPicture::Drawings {
    QString name;
    std::array<QPixmap, kSkinScales.size()> read; // by scale, as they are asked for
};

SkinPicture::SkinPicture(const QString& name) {
    QPixmap single(resource(name, 1));
    if (single.isNull())
        return;
    m_drawings = std::make_shared<Drawings>(Drawings{name, {single}});
}

QSize SkinPicture::size() const {
    return isNull() ? QSize() : m_drawings->read.front().size();
}

QPixmap SkinPicture::At(qreal ratio) const {
    if (isNull())
        return {};
    const auto fits = std::find_if(kSkinScales.begin(), kSkinScales.end(),
                                   [ratio](double scale) { return scale >= ratio - 0.01; });
    const size_t index = fits == kSkinScales.end() ? kSkinScales.size() - 1 : fits - kSkinScales.begin();
    QPixmap& drawing = m_drawings->read[index];
    if (drawing.isNull()) {
        drawing = QPixmap(resource(m_drawings->name, kSkinScales[index]));
        drawing.setDevicePixelRatio(kSkinScales[index]);
        if (drawing.isNull()) // a picture drawn at 100 % only
            return m_drawings->read.front();
    }
    return drawing;
}

bool SkinPicture::operator==(const SkinPicture& other) const {
    return isNull() || other.isNull() ? isNull() == other.isNull()
                                      : m_drawings->name == other.m_drawings->name;
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

QIcon SkinIcon() {
    QIcon icon;
    for (const double scale : kSkinScales)
        icon.addFile(resource(QStringLiteral("icon.png"), scale));
    return icon;
}
