#include "widgets/pictures.h"

#include "stats/gradecolours.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QResource>

#include <algorithm>

namespace {

QFont pictureFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The background and the 2-pixel edge of a button face.
void drawButtonFace(QPainter& p, PrintButtonLook look) {
    const int w = PrintButtonSize.width();
    const int h = PrintButtonSize.height();
    QColor top(0xee, 0xf4, 0xfc);
    QColor bottom(0xc4, 0xd8, 0xf0);
    if (look == PrintButtonLook::Hover) {
        top = QColor(0xff, 0xff, 0xff);
        bottom = QColor(0xdc, 0xea, 0xfb);
    } else if (look == PrintButtonLook::Pressed) {
        top = QColor(0xb4, 0xcb, 0xea);
        bottom = QColor(0xf4, 0xf8, 0xfe);
    }
    QLinearGradient gradient(0, 0, 0, h);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.fillRect(0, 0, w, h, gradient);

    const QColor light(0xff, 0xff, 0xff);
    const QColor shadow(0x93, 0xa8, 0xc4);
    const QColor dark(0x4f, 0x63, 0x7d);
    const bool sunken = look == PrintButtonLook::Pressed;
    // Outer edge, then the inner one: light above and left and dark below and right when
    // raised, the other way round when sunken.
    const QColor outerLit = sunken ? dark : light;
    const QColor outerShaded = sunken ? light : dark;
    const QColor innerLit = sunken ? shadow : top.lighter(104);
    const QColor innerShaded = sunken ? top : shadow;
    p.fillRect(0, 0, w, 1, outerLit);
    p.fillRect(0, 0, 1, h, outerLit);
    p.fillRect(0, h - 1, w, 1, outerShaded);
    p.fillRect(w - 1, 0, 1, h, outerShaded);
    p.fillRect(1, 1, w - 2, 1, innerLit);
    p.fillRect(1, 1, 1, h - 2, innerLit);
    p.fillRect(1, h - 2, w - 2, 1, innerShaded);
    p.fillRect(w - 2, 1, 1, h - 2, innerShaded);
}

// A printer about 41 x 40 pixels with its top-left corner at the painter's origin: a sheet
// coming out at the top, the body with its paper slot and a green lamp, the printed sheet
// in the tray at the bottom.
void drawPrinter(QPainter& p) {
    const QColor outline(0x3a, 0x44, 0x52);
    const QPen pen(outline, 1.2);

    p.setPen(pen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 0.5, 22, 16));
    p.setPen(QPen(QColor(0x8a, 0x96, 0xa6), 1));
    for (int y = 4; y <= 12; y += 3)
        p.drawLine(QPointF(13, y + 0.5), QPointF(y == 12 ? 22 : 28, y + 0.5));

    QLinearGradient body(0, 12, 0, 34);
    body.setColorAt(0, QColor(0xe4, 0xe8, 0xee));
    body.setColorAt(1, QColor(0x8f, 0x99, 0xa6));
    p.setPen(pen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.5, 12.5, 40, 21), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x33, 0x3d));
    p.drawRect(QRectF(6, 26, 29, 3));
    p.setBrush(QColor(0x22, 0xc0, 0x33));
    p.drawEllipse(QRectF(32, 16.5, 4, 4));

    p.setPen(pen);
    p.setBrush(Qt::white);
    QPainterPath sheet;
    sheet.moveTo(7.5, 39.5);
    sheet.lineTo(10.5, 28.5);
    sheet.lineTo(30.5, 28.5);
    sheet.lineTo(33.5, 39.5);
    sheet.closeSubpath();
    p.drawPath(sheet);
}

// The largest pixel size from 26 down to 10 at which name fits into room (10 when none does).
// Every size measured loads a font engine of its own, so the search does not walk down from 26:
// text widths grow in step with the size, and the size in that proportion to the width at 26
// is the one sought or lies next to it (hinting rounds each letter's width).
int logoNameSize(const QString& name, int room) {
    constexpr int largest = 26, smallest = 10;
    auto width = [&name](int size) {
        return QFontMetrics(pictureFont(size, true)).horizontalAdvance(name);
    };
    const int widthAtLargest = width(largest);
    if (widthAtLargest <= room)
        return largest;
    int size = std::clamp(largest * room / std::max(1, widthAtLargest), smallest, largest - 1);
    if (width(size) <= room) {
        while (size + 1 < largest && width(size + 1) <= room)
            ++size;
        return size;
    }
    while (size > smallest) {
        --size;
        if (width(size) <= room)
            break;
    }
    return size;
}

} // namespace

void drawPrintButton(QPainter& painter, PrintButtonLook look) {
    painter.save();
    drawButtonFace(painter, look);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const int shift = look == PrintButtonLook::Pressed ? 1 : 0;

    painter.save();
    painter.translate(8 + shift, 14 + shift);
    drawPrinter(painter);
    painter.restore();

    // "Drucken" turned a quarter clockwise, centred in the space below the printer.
    const QString word = QStringLiteral("Drucken");
    const QFont font = pictureFont(19, true);
    const QFontMetrics metrics(font);
    const int wordLength = metrics.horizontalAdvance(word);
    const int spaceTop = 64;
    const int spaceBottom = PrintButtonSize.height() - 8;
    painter.setFont(font);
    painter.setPen(QColor(0x1d, 0x36, 0x5a));
    painter.translate(PrintButtonSize.width() / 2 + shift, (spaceTop + spaceBottom) / 2 + shift);
    painter.rotate(90);
    // After the turn, x runs down the button and y to its left.
    painter.drawText(QPointF(-wordLength / 2.0, (metrics.ascent() - metrics.descent()) / 2.0),
                     word);
    painter.restore();
}

QImage printButtonImage(PrintButtonLook look) {
    QImage image(PrintButtonSize, QImage::Format_RGB32);
    QPainter painter(&image);
    drawPrintButton(painter, look);
    return image;
}

std::array<QImage, 3> printButtonImages() {
    return {printButtonImage(PrintButtonLook::Normal), printButtonImage(PrintButtonLook::Hover),
            printButtonImage(PrintButtonLook::Pressed)};
}

void drawLogo(QPainter& painter) {
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), LogoSize), Qt::white);

    // The grade diagram: six columns in the grade colours, outlined in black, on a base line.
    const int baseline = 50;
    const std::array<int, 6> heights = {16, 30, 40, 33, 20, 9};
    const int columnWidth = 5;
    const int left = 6;
    for (int grade = 1; grade <= 6; ++grade) {
        const int x = left + (grade - 1) * columnWidth;
        const int h = heights[static_cast<std::size_t>(grade - 1)];
        painter.fillRect(x, baseline - h, columnWidth + 1, h, Qt::black);
        painter.fillRect(x + 1, baseline - h + 1, columnWidth - 1, h - 1, gradeBarColour(grade));
    }

    // The name, as large as fits beside the diagram, standing on the same base line, which
    // runs on under it.
    const QString name = QStringLiteral("Zensoria");
    const int textLeft = left + 6 * columnWidth + 8;
    const int room = LogoSize.width() - textLeft - 3;
    QFont font = pictureFont(logoNameSize(name, room), true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(textLeft, baseline - 3), name);
    const int lineRight = textLeft + QFontMetrics(font).horizontalAdvance(name);
    painter.fillRect(left - 3, baseline, lineRight - (left - 3), 2, Qt::black);
    painter.restore();
}

namespace {

// The logo as the program carries it: drawLogo's picture, stored as a binary portable pixmap
// (8 bits per colour) of LogoSize, so that showing it loads no font. tst_pictures checks that
// it is what drawLogo draws; after a change of drawLogo, store the new picture with
// QImage::save(name, "PPM"). It is read here, not by an image reader, which would first load
// every image format plugin. A null image when the stored picture is not of that form.
QImage storedLogo() {
    const QByteArray data = QResource(QStringLiteral(":/pictures/logo.ppm")).uncompressedData();
    const QByteArray header = "P6\n" + QByteArray::number(LogoSize.width()) + ' ' +
                              QByteArray::number(LogoSize.height()) + "\n255\n";
    const int rowBytes = LogoSize.width() * 3;
    if (!data.startsWith(header) || data.size() != header.size() + rowBytes * LogoSize.height())
        return {};
    const QImage pixels(reinterpret_cast<const uchar*>(data.constData() + header.size()),
                        LogoSize.width(), LogoSize.height(), rowBytes, QImage::Format_RGB888);
    return pixels.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage logoBitmap() {
    // Read once: the main window, the about dialog and the print dialog show the same logo.
    static const QImage logo = [] {
        QImage image = storedLogo();
        if (!image.isNull())
            return image;
        image = QImage(LogoSize, QImage::Format_RGB32);
        QPainter painter(&image);
        drawLogo(painter);
        return image;
    }();
    return logo;
}
