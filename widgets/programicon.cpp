#include "widgets/programicon.h"

#include "stats/gradecolours.h"

#include <QLinearGradient>
#include <QPixmap>

#include <array>

namespace {

// The drawing, in units of a 16 x 16 grid.
struct Tile {
    QRectF rect{1, 1, 14, 14};
    qreal radius = 3;
    QColor top{0x5a, 0xae, 0xff};
    QColor bottom{0x1f, 0x6e, 0xd4};
};
struct Card {
    QRectF rect{2, 2, 12, 12};
    qreal radius = 1.5;
    QColor colour{Qt::white};
};
// Grade g's column: x = ColumnLeft + g - 1, one unit wide, rising from the base line.
constexpr int ColumnLeft = 5;
constexpr int ColumnBase = 13;
constexpr std::array<int, 6> ColumnHeights = {4, 8, 10, 9, 5, 3};

QRectF columnRect(int grade) {
    const int h = ColumnHeights[static_cast<std::size_t>(grade - 1)];
    return QRectF(ColumnLeft + grade - 1, ColumnBase - h, 1, h);
}

QString hex(const QColor& colour) {
    return colour.name(QColor::HexRgb);
}

} // namespace

namespace ProgramIcon {

const std::vector<int>& pixelSizes() {
    static const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
    return sizes;
}

void draw(QPainter& painter, int size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size / 16.0, size / 16.0);
    painter.setPen(Qt::NoPen);

    const Tile tile;
    QLinearGradient gradient(0, tile.rect.top(), 0, tile.rect.bottom());
    gradient.setColorAt(0, tile.top);
    gradient.setColorAt(1, tile.bottom);
    painter.setBrush(gradient);
    painter.drawRoundedRect(tile.rect, tile.radius, tile.radius);

    const Card card;
    painter.setBrush(card.colour);
    painter.drawRoundedRect(card.rect, card.radius, card.radius);

    // The columns meet edge to edge; without antialiasing no seam shows between them.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int grade = 1; grade <= 6; ++grade)
        painter.fillRect(columnRect(grade), gradeBarColour(grade));
    painter.restore();
}

QImage image(int size) {
    QImage result(size, size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    draw(painter, size);
    painter.end();
    return result;
}

QIcon icon() {
    QIcon result;
    for (int size : pixelSizes())
        result.addPixmap(QPixmap::fromImage(image(size)));
    return result;
}

QByteArray svg() {
    const Tile tile;
    const Card card;
    QString text;
    text += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" "
                           "height=\"256\" viewBox=\"0 0 16 16\">\n");
    text += QStringLiteral("  <defs>\n"
                           "    <linearGradient id=\"tile\" gradientUnits=\"userSpaceOnUse\" "
                           "x1=\"0\" y1=\"%1\" x2=\"0\" y2=\"%2\">\n"
                           "      <stop offset=\"0\" stop-color=\"%3\"/>\n"
                           "      <stop offset=\"1\" stop-color=\"%4\"/>\n"
                           "    </linearGradient>\n"
                           "  </defs>\n")
                .arg(tile.rect.top())
                .arg(tile.rect.bottom())
                .arg(hex(tile.top), hex(tile.bottom));
    const QString rect = QStringLiteral(
        "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n");
    text += rect.arg(tile.rect.x())
                .arg(tile.rect.y())
                .arg(tile.rect.width())
                .arg(tile.rect.height())
                .arg(tile.radius)
                .arg(QStringLiteral("url(#tile)"));
    text += rect.arg(card.rect.x())
                .arg(card.rect.y())
                .arg(card.rect.width())
                .arg(card.rect.height())
                .arg(card.radius)
                .arg(hex(card.colour));
    for (int grade = 1; grade <= 6; ++grade) {
        const QRectF column = columnRect(grade);
        text += rect.arg(column.x())
                    .arg(column.y())
                    .arg(column.width())
                    .arg(column.height())
                    .arg(0)
                    .arg(hex(gradeBarColour(grade)));
    }
    text += QStringLiteral("</svg>\n");
    return text.toUtf8();
}

} // namespace ProgramIcon
