#include "printing/optionimages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QImage blankImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void drawCross(QPainter& p) {
    p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void drawTick(QPainter& p) {
    p.setPen(QPen(QColor(0x00, 0x90, 0x00), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(3, 8.5);
    tick.lineTo(6.5, 12);
    tick.lineTo(13, 4);
    p.drawPath(tick);
}

// Two stacked sheets in the upper fifteen rows: the option tree's rows may be a pixel lower
// than the picture, and the pictures of the cross and the tick leave their lowest rows empty too.
void drawGroup(QPainter& p) {
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(QColor(0xE8, 0xE8, 0xE8));
    p.drawRect(QRectF(4.5, 0.5, 9, 11));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 3.5, 9, 11));
    p.setPen(QPen(QColor(0x30, 0x60, 0xC0), 1));
    for (int y : {6, 8, 10, 12})
        p.drawLine(QPointF(3.5, y + 0.5), QPointF(8.5, y + 0.5));
}

} // namespace

QImage OptionImages::image(int index) {
    QImage image = blankImage(Size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case Off:
        drawCross(p);
        break;
    case On:
        drawTick(p);
        break;
    default:
        drawGroup(p);
        break;
    }
    return image;
}

QIcon OptionImages::icon(int index) {
    return QIcon(QPixmap::fromImage(image(index)));
}

QIcon printerIcon() {
    QImage image = blankImage(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
    // The sheet coming out on top, the printer body, the output tray.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 3, 14, 12));
    p.setBrush(QColor(0x70, 0x78, 0x88));
    p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 20, 16, 9));
    p.setPen(QPen(QColor(0x30, 0x60, 0xC0), 1));
    for (int y : {23, 26})
        p.drawLine(QPointF(11, y), QPointF(21, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0xC0, 0x20));
    p.drawEllipse(QRectF(24, 15, 3, 3));
    return QIcon(QPixmap::fromImage(image));
}
