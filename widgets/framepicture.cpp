#include "widgets/framepicture.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int Reach = FramePicture::Reach;
// The frame's middle rows are put down this many at a time: every fill stays below the rows
// that Qt's raster painting hands to threads of its own.
constexpr int BandRows = 47;

QImage drawnAt(QSize size, const std::function<void(QPainter&, const QRect&)>& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRect(QPoint(0, 0), size));
    return image;
}

const QRgb* row(const QImage& image, int y) {
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
}

// A pixel of the picture as a colour to fill with. Painted, the colour is blended as the pixel
// is; a pixel that would not come back from its colour exactly is no colour.
std::optional<QColor> colourOf(QRgb pixel) {
    const QRgb plain = qUnpremultiply(pixel);
    if (qPremultiply(plain) != pixel)
        return std::nullopt;
    return QColor::fromRgba(plain);
}

} // namespace

std::optional<FramePicture>
FramePicture::make(QSize size, const std::function<void(QPainter&, const QRect&)>& draw) {
    const int side = 2 * Reach + 1;
    if (size.width() <= side || size.height() <= side)
        return std::nullopt;
    // Drawn with one middle row and column, and with two: the second must be the first with
    // its middle row and column doubled.
    FramePicture picture;
    picture.size_ = size;
    picture.small_ = drawnAt(QSize(side, side), draw);
    const QImage larger = drawnAt(QSize(side + 1, side + 1), draw);
    for (int y = 0; y <= side; ++y) {
        const QRgb* from = row(picture.small_, y <= Reach ? y : y - 1);
        const QRgb* to = row(larger, y);
        if (!std::equal(from, from + Reach + 1, to) ||
            !std::equal(from + Reach, from + side, to + Reach + 1))
            return std::nullopt;
    }
    for (int y = 0; y < side; ++y) {
        if (!colourOf(row(picture.small_, y)[Reach]))
            return std::nullopt;
    }
    picture.sides_ = QImage(2 * Reach, BandRows, QImage::Format_ARGB32_Premultiplied);
    const QRgb* middle = row(picture.small_, Reach);
    for (int y = 0; y < BandRows; ++y) {
        auto* to = reinterpret_cast<QRgb*>(picture.sides_.scanLine(y));
        std::copy(middle, middle + Reach, to);
        std::copy(middle + Reach + 1, middle + side, to + Reach);
    }
    return picture;
}

void FramePicture::paint(QPainter& painter, QPoint topLeft) const {
    const int left = topLeft.x(), top = topLeft.y();
    const int right = left + size_.width() - Reach;  // where the right edge's columns start
    const int bottom = top + size_.height() - Reach; // where the bottom edge's rows start
    const int inside = size_.width() - 2 * Reach;
    // The small drawing's row y, from its column x on, at (toX, toY).
    const auto corner = [&](int x, int y, int toX, int toY) {
        painter.drawImage(QPoint(toX, toY), small_, QRect(x, y, Reach, Reach));
    };
    // The small drawing's middle pixel of row y along the edge at row toY.
    const auto edgeRow = [&](int y, int toY) {
        const QRgb pixel = row(small_, y)[Reach];
        if (qAlpha(pixel) != 0)
            painter.fillRect(QRect(left + Reach, toY, inside, 1), *colourOf(pixel));
    };
    corner(0, 0, left, top);
    corner(Reach + 1, 0, right, top);
    for (int y = 0; y < Reach; ++y)
        edgeRow(y, top + y);
    for (int y = top + Reach; y < bottom; y += BandRows) {
        const int rows = std::min(BandRows, bottom - y);
        painter.drawImage(QPoint(left, y), sides_, QRect(0, 0, Reach, rows));
        painter.drawImage(QPoint(right, y), sides_, QRect(Reach, 0, Reach, rows));
        const QRgb pixel = row(small_, Reach)[Reach];
        if (qAlpha(pixel) != 0)
            painter.fillRect(QRect(left + Reach, y, inside, rows), *colourOf(pixel));
    }
    corner(0, Reach + 1, left, bottom);
    corner(Reach + 1, Reach + 1, right, bottom);
    for (int y = 0; y < Reach; ++y)
        edgeRow(Reach + 1 + y, bottom + y);
}
