#include "Skin.h"

namespace {
QPixmap picture(const char* name) {
    return QPixmap(QStringLiteral(":/skin/") + QLatin1String(name));
}
} // namespace

Skin::Skin()
    : background(picture("background.png")), imgButtonData{picture("add-hover.jpg"),
                                                           picture("remove-hover.jpg"),
                                                           picture("convert-hover.jpg")},
      imgButtonPush{picture("add-pressed.jpg"), picture("remove-pressed.jpg"),
                    picture("convert-pressed.jpg")},
      imgButtonNormal(picture("option-normal.jpg")), imgButtonMove(picture("option-hover.jpg")),
      imgButtonPush1(picture("option-pressed.jpg")), imgBrowseNormal(picture("browse-normal.jpg")),
      imgBrowseMove(picture("browse-hover.jpg")), imgBrowsePush(picture("browse-pressed.jpg")),
      progress(picture("progress.png")), hand(Qt::PointingHandCursor) {
    if (const QPixmap shape = picture("hand.png"); !shape.isNull())
        hand = QCursor(shape, 6, 0);
}
