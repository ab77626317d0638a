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

// The edge rows between the corners are put down this many columns at a time.
constexpr int StripColumns = 256;

// The middle pixel of each of rows [from, from + Reach) of the small drawing, a stretch long.
QImage edgeStrip(const QImage& small, int from) {
    QImage strip(StripColumns, Reach, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < Reach; ++y) {
        auto* to = reinterpret_cast<QRgb*>(strip.scanLine(y));
        std::fill(to, to + StripColumns, row(small, from + y)[Reach]);
    }
    return strip;
}

} // namespace

std::optional<FramePicture>
FramePicture::make(const std::function<void(QPainter&, const QRect&)>& draw) {
    const int side = 2 * Reach + 1;
    // Drawn with one middle row and column, and with two: the second must be the first with
    // its middle row and column doubled.
    FramePicture picture;
    picture.small_ = drawnAt(QSize(side, side), draw);
    const QImage larger = drawnAt(QSize(side + 1, side + 1), draw);
    for (int y = 0; y <= side; ++y) {
        const QRgb* from = row(picture.small_, y <= Reach ? y : y - 1);
        const QRgb* to = row(larger, y);
        if (!std::equal(from, from + Reach + 1, to) ||
            !std::equal(from + Reach, from + side, to + Reach + 1))
            return std::nullopt;
    }
    const QRgb inside = row(picture.small_, Reach)[Reach];
    if (!colourOf(inside))
        return std::nullopt;
    picture.sides_ = QImage(2 * Reach, BandRows, QImage::Format_ARGB32_Premultiplied);
    const QRgb* middle = row(picture.small_, Reach);
    for (int y = 0; y < BandRows; ++y) {
        auto* to = reinterpret_cast<QRgb*>(picture.sides_.scanLine(y));
        std::copy(middle, middle + Reach, to);
        std::copy(middle + Reach + 1, middle + side, to + Reach);
    }
    picture.top_ = edgeStrip(picture.small_, 0);
    picture.bottom_ = edgeStrip(picture.small_, Reach + 1);
    return picture;
}

void FramePicture::paint(QPainter& painter, const QRect& rect) const {
    const int left = rect.left(), top = rect.top();
    const int right = rect.right() + 1 - Reach;   // where the right edge's columns start
    const int bottom = rect.bottom() + 1 - Reach; // where the bottom edge's rows start
    // The small drawing's row y, from its column x on, at (toX, toY).
    const auto corner = [&](int x, int y, int toX, int toY) {
        painter.drawImage(QPoint(toX, toY), small_, QRect(x, y, Reach, Reach));
    };
    const auto edge = [&](const QImage& strip, int toY) {
        for (int x = left + Reach; x < right; x += StripColumns)
            painter.drawImage(QPoint(x, toY), strip,
                              QRect(0, 0, std::min(StripColumns, right - x), Reach));
    };
    corner(0, 0, left, top);
    edge(top_, top);
    corner(Reach + 1, 0, right, top);
    const QRgb inside = row(small_, Reach)[Reach];
    for (int y = top + Reach; y < bottom; y += BandRows) {
        const int rows = std::min(BandRows, bottom - y);
        painter.drawImage(QPoint(left, y), sides_, QRect(0, 0, Reach, rows));
        painter.drawImage(QPoint(right, y), sides_, QRect(Reach, 0, Reach, rows));
        if (qAlpha(inside) != 0)
            painter.fillRect(QRect(left + Reach, y, right - left - Reach, rows), *colourOf(inside));
    }
    corner(0, Reach + 1, left, bottom);
    edge(bottom_, bottom);
    corner(Reach + 1, Reach + 1, right, bottom);
}
