// Draws every picture of the window's skin into a folder (by default skin/), once for each display scale the
// window may be shown at, so that it is as sharp as the text around it. The pictures are committed and
// compiled into the program, so neither this tool nor its font is needed to build it. Run it again after
// changing the look:  build/tools/skingen skin
#include "engine/ConversionSettings.h"
#include "window/SkinLook.h"
#include "window/SkinScales.h"
#include "window/WindowLayout.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <QtMath>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

const QColor kOutline(31, 74, 112); // the window's outline, darker than the accent
const QColor kPanel(244, 247, 251); // the window's body
const QColor kText(64, 64, 64);     // dark grey captions
const QColor kTitleTop(226, 237, 248), kTitleBottom(205, 223, 242);
const QColor kGreen(46, 160, 67), kRed(207, 34, 46), kArrowBlue(9, 105, 218);

QFont captionFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void caption(QPainter& p, const QRect& place, const QString& text, int pixels = 12,
             const QColor& colour = kText) {
    p.setFont(captionFont(pixels));
    p.setPen(colour);
    p.drawText(QPoint(place.left(), layout::CaptionBaseline(place)), text);
}

// The three command icons: a plus, a minus, an arrow, each in a filled circle.
void commandIcon(QPainter& p, const QPointF& centre, int index) {
    const QColor fills[] = {kGreen, kRed, kArrowBlue};
    p.setPen(Qt::NoPen);
    p.setBrush(fills[index]);
    p.drawEllipse(centre, 8, 8);
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (index == 0) {
        p.drawLine(centre + QPointF(-4, 0), centre + QPointF(4, 0));
        p.drawLine(centre + QPointF(0, -4), centre + QPointF(0, 4));
    } else if (index == 1) {
        p.drawLine(centre + QPointF(-4, 0), centre + QPointF(4, 0));
    } else {
        p.drawLine(centre + QPointF(-4, 0), centre + QPointF(3.5, 0));
        p.drawPolyline(
            QPolygonF{centre + QPointF(0, -3.5), centre + QPointF(3.5, 0), centre + QPointF(0, 3.5)});
    }
}

const char* const kCommandCaptions[] = {"添加文件", "移除文件", "开始转换"};
const QRect kCommandButtons[] = {layout::kAddButton, layout::kRemoveButton, layout::kConvertButton};

// One command button as it looks on the background (normal), lit (hover) or pushed in (pressed).
enum class Look { Normal, Hover, Pressed };

void commandButton(QPainter& p, const QRect& area, int index, Look look) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRect face = look == Look::Pressed ? area.adjusted(1, 1, 0, 0) : area;
    if (look != Look::Normal) {
        const QColor fill = look == Look::Hover ? QColor(226, 238, 250) : QColor(200, 220, 241);
        p.setPen(QPen(look == Look::Hover ? QColor(150, 186, 222) : QColor(110, 152, 196), 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(face).adjusted(0.5, 0.5, -1.5, -1.5), 4, 4);
    }
    commandIcon(p, QPointF(face.left() + 15, face.top() + 15), index);
    p.setFont(captionFont(12));
    p.setPen(kText);
    p.drawText(QRect(face.left() + 26, face.top(), face.width() - 28, face.height()),
               Qt::AlignVCenter | Qt::AlignLeft, QString::fromUtf8(kCommandCaptions[index]));
}

// The little button over a list's arrow, and the folder button.
void smallButton(QPainter& p, const QRect& area, Look look, const std::function<void(const QRect&)>& mark) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRect face = look == Look::Pressed ? area.adjusted(1, 1, 0, 0) : area;
    QLinearGradient shade(face.topLeft(), face.bottomLeft());
    switch (look) {
    case Look::Normal:
        shade.setStops({{0, QColor(236, 243, 250)}, {1, QColor(208, 224, 241)}});
        break;
    case Look::Hover:
        shade.setStops({{0, QColor(248, 251, 254)}, {1, QColor(224, 236, 249)}});
        break;
    case Look::Pressed:
        shade.setStops({{0, QColor(196, 216, 238)}, {1, QColor(178, 203, 231)}});
        break;
    }
    p.fillRect(area, look == Look::Pressed ? QColor(178, 203, 231) : Qt::white);
    p.setPen(QPen(QColor(128, 164, 202), 1));
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(face).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
    mark(face);
}

void chevron(QPainter& p, const QRect& face) {
    p.setPen(QPen(skin::kAccent, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF c = QRectF(face).center();
    p.drawPolyline(QPolygonF{c + QPointF(-3.5, -1.5), c + QPointF(0, 2), c + QPointF(3.5, -1.5)});
}

void browseCaption(QPainter& p, const QRect& face) {
    p.setFont(captionFont(12));
    p.setPen(skin::kAccent);
    p.drawText(face, Qt::AlignCenter, QStringLiteral("浏览…"));
}

// A white, framed field: the list, the drop-down lists and the folder box sit on these.
void field(QPainter& p, const QRect& area) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(170, 190, 212));
    p.setBrush(Qt::white);
    p.drawRect(area.adjusted(0, 0, -1, -1));
}

// A blank picture of `size` (in pixels at 100 %) for drawing at `scale`: what is drawn in the 100 % layout's
// coordinates lands on the finer grid.
QImage canvas(const QSize& size, double scale, QImage::Format format) {
    QImage image(qCeil(size.width() * scale), qCeil(size.height() * scale), format);
    image.setDevicePixelRatio(scale);
    return image;
}

QImage background(double scale) {
    // Drawn a pixel past the window on the right and bottom, which the window does not show.
    QImage image = canvas(layout::kWindow + QSize(1, 1), scale, QImage::Format_RGB32);
    image.fill(skin::kKeyColour);
    QPainter p(&image);

    // The outline without anti-aliasing: a blended edge pixel would keep a tinge of the key colour.
    const QRect body(1, 1, 293, 419);
    QPainterPath outline;
    outline.addRoundedRect(body, 7, 7);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    p.drawPath(outline);
    QPainterPath inside;
    inside.addRoundedRect(body.adjusted(1, 1, -1, -1), 6, 6);
    p.setBrush(kPanel);
    p.drawPath(inside);

    // Title bar.
    p.save();
    p.setClipPath(inside);
    QLinearGradient title(0, 2, 0, 28);
    title.setStops({{0, kTitleTop}, {1, kTitleBottom}});
    p.fillRect(QRect(2, 2, 291, 26), title);
    p.fillRect(QRect(2, 28, 291, 1), QColor(170, 196, 224));
    p.restore();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(skin::kAccent);
    p.drawRoundedRect(QRectF(9, 7, 15, 15), 3, 3);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{14, 10.5}, {20.5, 14.5}, {14, 18.5}});
    caption(p, QRect(30, 7, 100, 15), QStringLiteral("Movikon PRO"), 13, skin::kAccent);
    p.setPen(QPen(skin::kAccent, 1.6, Qt::SolidLine, Qt::RoundCap));
    // The minimise and close marks, under their commands.
    const QPointF minimise = QRectF(layout::kMinimise).topLeft(), close = QRectF(layout::kExit).topLeft();
    p.drawLine(minimise + QPointF(2.5, 10.5), minimise + QPointF(10.5, 10.5));
    p.drawLine(close + QPointF(1.5, 2.5), close + QPointF(9.5, 10.5));
    p.drawLine(close + QPointF(9.5, 2.5), close + QPointF(1.5, 10.5));

    for (int i = 0; i < 3; ++i)
        commandButton(p, kCommandButtons[i], i, Look::Normal);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(10, 68, 275, 1), QColor(214, 226, 240));

    caption(p, layout::kQueueCaption, QStringLiteral("文件列表"), 12, skin::kAccent);
    field(p, layout::FieldFrame(layout::kQueue));

    for (std::size_t i = 0; i < kSettingCount; ++i) {
        caption(p, layout::kSettingCaptions[i], ConversionSettings::All()[i].caption + u':');
        field(p, layout::FieldFrame(layout::kSettingLists[i]));
    }

    caption(p, layout::kOutputFolderCaption, QStringLiteral("输出路径："));
    field(p, layout::FieldFrame(layout::kOutputFolder));

    caption(p, layout::kProgressCaption, QStringLiteral("转换进度："));
    // The sunken track the bar grows in, lit along its bottom and right edges.
    const QRect bar = layout::kProgressBar;
    p.setPen(QColor(150, 172, 196));
    p.setBrush(QColor(228, 235, 243));
    p.drawRect(bar.adjusted(-1, -1, 0, 0));
    p.setPen(Qt::white);
    p.drawLine(bar.left(), bar.bottom() + 1, bar.right() + 1, bar.bottom() + 1);
    p.drawLine(bar.right() + 1, bar.top(), bar.right() + 1, bar.bottom() + 1);
    return image;
}

// A picture of `size` on `ground`, drawn by `draw` at `scale`; a see-through ground gives the picture an
// alpha channel.
QImage picture(const QSize& size, double scale, const QColor& ground,
               const std::function<void(QPainter&, const QRect&)>& draw) {
    QImage image = canvas(size, scale, ground.alpha() < 255 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, QRect(QPoint(0, 0), size));
    return image;
}

// The bar's gradient, one pixel wide; at a finer scale each row blends the two 100 % rows it falls between.
QImage progress(double scale) {
    const QColor rows[] = {0xBBDAF7, 0xB5D4F2, 0xAECEED, 0xA5C7E7, 0x9DC0E1, 0x93B8DA, 0x8AB0D3, 0x81A8CC,
                           0x77A0C6, 0x6E99C0, 0x6692BA, 0x5F8CB4, 0x5986B1, 0x5583AD, 0x5987B1};
    const int last = int(std::size(rows)) - 1;
    QImage image = canvas({1, int(std::size(rows))}, scale, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const double at = std::clamp((y + 0.5) / scale - 0.5, 0.0, double(last));
        const int above = int(at);
        const int below = std::min(above + 1, last);
        const double share = at - above;
        const QColor &from = rows[above], &to = rows[below];
        const auto mix = [share](int a, int b) { return qRound(a + (b - a) * share); };
        // At a scale that is not whole the picture is two device pixels wide: both are set.
        const QRgb colour =
            qRgb(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, colour);
    }
    return image;
}

// A pointing hand whose fingertip is the window's hot spot.
void hand(QPainter& p, const QRect&) {
    constexpr QPoint kDrawnFingertip(6, 0); // where the shapes below put it
    QPainterPath shape;
    shape.addRoundedRect(QRectF(3.5, 0.5, 5, 13), 2.5, 2.5); // index finger
    shape.addRoundedRect(QRectF(8, 6.5, 4.5, 8), 2.2, 2.2);  // middle finger
    shape.addRoundedRect(QRectF(12, 7.5, 4.5, 7), 2.2, 2.2); // ring finger
    shape.addRoundedRect(QRectF(16, 9, 4, 6), 2, 2);         // little finger
    shape.addRoundedRect(QRectF(3.5, 10, 17, 11), 4, 4);     // palm
    shape.addRoundedRect(QRectF(-0.5, 11, 6, 4), 2, 2);      // thumb
    shape.translate(skin::kHandHotSpot - kDrawnFingertip);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(shape.simplified());
}

void icon(QPainter& p, const QRect&) {
    QLinearGradient fill(0, 0, 0, 64);
    fill.setStops({{0, QColor(85, 131, 173)}, {1, skin::kAccent}});
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{24, 17}, {47, 32}, {24, 47}});
}

bool save(const QImage& image, const QString& folder, const QString& name) {
    const bool saved = image.save(folder + u'/' + name, nullptr, name.endsWith(".jpg") ? 95 : -1);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(name));
    return saved;
}

// A Windows icon file: the icon drawn at each size, each kept as a PNG inside the file (Windows Vista on).
bool saveWindowsIcon(const QString& folder, const QString& name) {
    const int sizes[] = {16, 24, 32, 48, 64, 256};
    QByteArray directory, images;
    QDataStream header(&directory, QIODevice::WriteOnly);
    header.setByteOrder(QDataStream::LittleEndian);
    header << quint16(0) << quint16(1) << quint16(std::size(sizes));
    const quint32 firstImage = 6 + 16 * std::size(sizes);
    for (const int size : sizes) {
        const QImage image =
            picture({size, size}, 1, Qt::transparent, [size](QPainter& p, const QRect& area) {
                p.scale(size / 64.0, size / 64.0);
                icon(p, area);
            });
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        // Width and height 0 stand for 256.
        header << quint8(size % 256) << quint8(size % 256) << quint8(0) << quint8(0) << quint16(1)
               << quint16(32) << quint32(png.size()) << quint32(firstImage + images.size());
        images += png;
    }
    QFile file(folder + u'/' + name);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(directory + images) > 0;
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(name));
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("skin");
    QDir().mkpath(folder);

    bool ok = true;
    for (const double scale : kSkinScales) {
        const auto saveAt = [&](const QImage& image, const QString& name) {
            ok &= save(image, folder, SkinFileName(name, scale));
        };
        saveAt(background(scale), "background.png");
        const char* const commandNames[] = {"add", "remove", "convert"};
        for (int i = 0; i < 3; ++i) {
            const auto button = [i, scale](Look look) {
                return picture(kCommandButtons[i].size(), scale, kPanel,
                               [&](QPainter& p, const QRect& area) { commandButton(p, area, i, look); });
            };
            saveAt(button(Look::Hover), QStringLiteral("%1-hover.jpg").arg(commandNames[i]));
            saveAt(button(Look::Pressed), QStringLiteral("%1-pressed.jpg").arg(commandNames[i]));
        }
        const std::pair<Look, const char*> looks[] = {
            {Look::Normal, "normal"}, {Look::Hover, "hover"}, {Look::Pressed, "pressed"}};
        for (const auto& [look, name] : looks) {
            saveAt(picture(layout::kSettingButton.size(), scale, kPanel,
                           [look](QPainter& p, const QRect& area) {
                               smallButton(p, area, look, [&p](const QRect& face) { chevron(p, face); });
                           }),
                   QStringLiteral("option-%1.jpg").arg(name));
            saveAt(picture(layout::kBrowse.size(), scale, kPanel,
                           [look](QPainter& p, const QRect& area) {
                               smallButton(p, area, look,
                                           [&p](const QRect& face) { browseCaption(p, face); });
                           }),
                   QStringLiteral("browse-%1.jpg").arg(name));
        }
        saveAt(progress(scale), "progress.png");
        saveAt(picture({32, 32}, scale, Qt::transparent, hand), "hand.png");
        saveAt(picture({64, 64}, scale, Qt::transparent, icon), "icon.png");
    }
    ok &= saveWindowsIcon(folder, "icon.ico");
    return ok ? 0 : 1;
}
