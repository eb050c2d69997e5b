#include "window/orbel_pictures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace orbel {

namespace {

QColor OrbelColour(int colour) {
    return colour < 0 ? QColor(224, 0, 224) : QColor(0, 224, 224);
}

// Light falls from the upper left: a bright spot there, the full colour in the body and a
// dark rim at the lower right.
void DrawBall(QPainter& painter, const QRectF& box, const QColor& base) {
    const QPointF spot(box.left() + box.width() * 0.36, box.top() + box.height() * 0.33);
    QRadialGradient shade(box.center(), box.width() * 0.5, spot);
    shade.setColorAt(0.0, base.lighter(175));
    shade.setColorAt(0.45, base);
    shade.setColorAt(1.0, base.darker(260));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawEllipse(box);
}

// The raised look of a button face: light edges up and left, dark edges down and right.
// The picture is `size` units; each edge is a whole number of device pixels wide, the
// designed unit's width at this scale, so it is never blurred.
void DrawRaisedSquare(QPainter& painter, QSizeF size, double unitPixels, qreal ratio) {
    const double u = std::max(1.0, std::round(unitPixels)) / ratio;
    const double w = size.width();
    const double h = size.height();
    painter.fillRect(QRectF(0, 0, w, h), WindowGrey());
    const QColor white(Qt::white);
    painter.fillRect(QRectF(0, 0, w - u, u), white);
    painter.fillRect(QRectF(0, 0, u, h - u), white);
    const QColor light(224, 224, 224);
    painter.fillRect(QRectF(u, u, w - 3 * u, u), light);
    painter.fillRect(QRectF(u, u, u, h - 3 * u), light);
    const QColor black(Qt::black);
    painter.fillRect(QRectF(0, h - u, w, u), black);
    painter.fillRect(QRectF(w - u, 0, u, h), black);
    const QColor dark(128, 128, 128);
    painter.fillRect(QRectF(u, h - 2 * u, w - 2 * u, u), dark);
    painter.fillRect(QRectF(w - 2 * u, u, u, h - 2 * u), dark);
}

QPolygonF ArrowHead(int direction, double side) {
    const double c = side / 2.0;
    const double reach = side * 0.28;
    const double half = side * 0.25;
    switch (direction) {
        case 8:
            return QPolygonF(
                {{c, c - reach}, {c - half, c + reach * 0.7}, {c + half, c + reach * 0.7}});
        case 2:
            return QPolygonF(
                {{c, c + reach}, {c - half, c - reach * 0.7}, {c + half, c - reach * 0.7}});
        case 4:
            return QPolygonF(
                {{c - reach, c}, {c + reach * 0.7, c - half}, {c + reach * 0.7, c + half}});
        default:
            return QPolygonF(
                {{c + reach, c}, {c - reach * 0.7, c - half}, {c - reach * 0.7, c + half}});
    }
}

void DrawCrossMark(QPainter& painter, double side) {
    const double c = side / 2.0;
    const double arm = side * 0.22;
    QPen pen(Qt::black, side / 10.0, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(c - arm, c - arm), QPointF(c + arm, c + arm));
    painter.drawLine(QPointF(c - arm, c + arm), QPointF(c + arm, c - arm));
}

QFont TitleFont(const QString& text, double width) {
    QFont font;
    font.setBold(true);
    font.setPixelSize(28);
    while (font.pixelSize() > 8 && QFontMetricsF(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

// A picture of `size` in the units the window is laid out in, with `ratio` device pixels
// to the unit; painting on it is in those units. Rounded as a label rounds its own size in
// device pixels, so a label that stretches its picture leaves it as drawn.
QPixmap Canvas(QSize size, qreal ratio) {
    QPixmap picture(static_cast<int>(std::lround(size.width() * ratio)),
                    static_cast<int>(std::lround(size.height() * ratio)));
    picture.setDevicePixelRatio(ratio);
    return picture;
}

// Painting from here on is in the designed picture's units.
void ScaleTo(QPainter& painter, QSize size, int designedWidth, int designedHeight) {
    painter.scale(static_cast<double>(size.width()) / designedWidth,
                  static_cast<double>(size.height()) / designedHeight);
}

}  // namespace

QColor WindowGrey() {
    return QColor(192, 192, 192);
}

QPixmap OrbelPicture(int colour, qreal ratio) {
    return OrbelPicture(colour, {kOrbelPictureSide, kOrbelPictureSide}, ratio);
}

QPixmap OrbelPicture(int colour, QSize size, qreal ratio) {
    if (size.isEmpty()) return {};
    QPixmap picture = Canvas(size, ratio);
    picture.fill(WindowGrey());
    QPainter painter(&picture);
    ScaleTo(painter, size, kOrbelPictureSide, kOrbelPictureSide);
    DrawBall(painter, QRectF(3, 3, kOrbelPictureSide - 6, kOrbelPictureSide - 6),
             OrbelColour(colour));
    return picture;
}

QPixmap ArrowPicture(int direction, qreal ratio) {
    return ArrowPicture(direction, {kArrowPictureSide, kArrowPictureSide}, ratio);
}

QPixmap ArrowPicture(int direction, QSize size, qreal ratio) {
    if (size.isEmpty()) return {};
    QPixmap picture = Canvas(size, ratio);
    QPainter painter(&picture);
    const double unitPixels = ratio * size.width() / kArrowPictureSide;
    DrawRaisedSquare(painter, picture.deviceIndependentSize(), unitPixels, ratio);
    ScaleTo(painter, size, kArrowPictureSide, kArrowPictureSide);
    painter.setRenderHint(QPainter::Antialiasing);
    if (direction == 0) {
        DrawCrossMark(painter, kArrowPictureSide);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawPolygon(ArrowHead(direction, kArrowPictureSide));
    }
    return picture;
}

QPixmap TitlePicture(qreal ratio) {
    return TitlePicture({kTitleWidth, kTitleHeight}, ratio);
}

QPixmap TitlePicture(QSize size, qreal ratio) {
    if (size.isEmpty()) return {};
    const QString text = QStringLiteral("Orbel Five");
    QPixmap picture = Canvas(size, ratio);
    picture.fill(WindowGrey());
    QPainter painter(&picture);
    ScaleTo(painter, size, kTitleWidth, kTitleHeight);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont font = TitleFont(text, kTitleWidth - 8);
    const QFontMetricsF metrics(font);
    const double x = (kTitleWidth - metrics.horizontalAdvance(text)) / 2.0;
    const double y = (kTitleHeight + metrics.ascent() - metrics.descent()) / 2.0;
    QPainterPath lettering;
    lettering.addText(x, y, font, text);
    painter.fillPath(lettering.translated(2, 2), QColor(96, 96, 96));
    QLinearGradient fill(0, 0, kTitleWidth, 0);
    fill.setColorAt(0.0, OrbelColour(-1).darker(130));
    fill.setColorAt(1.0, OrbelColour(+1).darker(150));
    painter.fillPath(lettering, fill);
    painter.setPen(QPen(Qt::black, 0.8));
    painter.drawPath(lettering);
    return picture;
}

QPixmap OrbelIconPicture(int side, qreal ratio) {
    QPixmap picture = Canvas({side, side}, ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    DrawBall(painter, QRectF(0.5, 0.5, side - 1.0, side - 1.0), OrbelColour(-1));
    return picture;
}

QIcon OrbelIcon() {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64, 96, 128, 256})
        icon.addPixmap(OrbelIconPicture(side));
    return icon;
}

}  // namespace orbel
