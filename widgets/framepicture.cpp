#include "widgets/framepicture.h"

#include "widgets/bandedstyle.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {

constexpr int Reach = FramePicture::Reach;
constexpr int Side = 2 * Reach + 1; // the small drawing's width and height
// The frame's middle rows are put down a band of rows at a time: every fill and every image stays
// below the rows that Qt's raster painting hands to threads of its own (and waits for), also where
// the widget's clip leaves two pieces of a row.
constexpr int BandRows = FrameBandRows;
// The edge rows between the corners are put down this many columns at a time.
constexpr int StripColumns = 256;

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

// The rows or the columns of the small drawing, as lines of pixels from the edge towards the
// middle and beyond.
class Lines {
public:
    Lines(const QImage& small, bool columns) : columns_(columns) {
        for (int y = 0; y < Side; ++y)
            rows_[size_t(y)] = row(small, y);
    }

    // How many lines from the start (or from the end) towards the middle differ from the middle
    // one, and how many of them, from the edge on, are see-through in full.
    FramePicture::Edge edge(bool fromEnd) const {
        const auto line = [&](int k) { return fromEnd ? Side - 1 - k : k; };
        FramePicture::Edge edge;
        for (int k = 0; k < Reach; ++k)
            if (!same(line(k), Reach))
                edge.depth = k + 1;
        while (edge.clear < edge.depth && clear(line(edge.clear)))
            ++edge.clear;
        return edge;
    }

private:
    // Pixel j of line i.
    QRgb pixel(int i, int j) const { return columns_ ? rows_[size_t(j)][i] : rows_[size_t(i)][j]; }
    bool same(int a, int b) const {
        for (int j = 0; j < Side; ++j)
            if (pixel(a, j) != pixel(b, j))
                return false;
        return true;
    }
    bool clear(int i) const {
        for (int j = 0; j < Side; ++j)
            if (qAlpha(pixel(i, j)) != 0)
                return false;
        return true;
    }

    std::array<const QRgb*, Side> rows_{};
    bool columns_;
};

// The middle pixel of each of the small drawing's rows [from, from + rows), a stretch long.
QImage edgeStrip(const QImage& small, int from, int rows) {
    QImage strip(StripColumns, std::max(rows, 1), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < rows; ++y) {
        auto* to = reinterpret_cast<QRgb*>(strip.scanLine(y));
        std::fill(to, to + StripColumns, row(small, from + y)[Reach]);
    }
    return strip;
}

} // namespace

std::optional<FramePicture>
FramePicture::make(const std::function<void(QPainter&, const QRect&)>& draw) {
    // Drawn with one middle row and column, and with two: the second must be the first with
    // its middle row and column doubled.
    FramePicture picture;
    picture.small_ = drawnAt(QSize(Side, Side), draw);
    const QImage larger = drawnAt(QSize(Side + 1, Side + 1), draw);
    for (int y = 0; y <= Side; ++y) {
        const QRgb* from = row(picture.small_, y <= Reach ? y : y - 1);
        const QRgb* to = row(larger, y);
        if (!std::equal(from, from + Reach + 1, to) ||
            !std::equal(from + Reach, from + Side, to + Reach + 1))
            return std::nullopt;
    }
    const QImage& small = picture.small_;
    const std::optional<QColor> inside = colourOf(row(small, Reach)[Reach]);
    if (!inside)
        return std::nullopt;
    picture.inside_ = *inside;
    // Only the rows and columns at the edges that differ from the middle ones are put down from
    // the drawing, and of those only the ones that are not see-through in full.
    const Lines rows(small, false);
    const Lines columns(small, true);
    picture.top_ = rows.edge(false);
    picture.bottom_ = rows.edge(true);
    picture.left_ = columns.edge(false);
    picture.right_ = columns.edge(true);

    const int left = picture.left_.depth;
    const int right = picture.right_.depth;
    picture.sides_ =
        QImage(std::max(left + right, 1), BandRows, QImage::Format_ARGB32_Premultiplied);
    const QRgb* middle = row(small, Reach);
    for (int y = 0; y < BandRows; ++y) {
        auto* to = reinterpret_cast<QRgb*>(picture.sides_.scanLine(y));
        std::copy(middle, middle + left, to);
        std::copy(middle + Side - right, middle + Side, to + left);
    }
    picture.topRows_ = edgeStrip(small, 0, picture.top_.depth);
    picture.bottomRows_ = edgeStrip(small, Side - picture.bottom_.depth, picture.bottom_.depth);
    return picture;
}

void FramePicture::paint(QPainter& painter, const QRect& rect) const {
    const int x0 = rect.left(), y0 = rect.top();
    const int x1 = x0 + rect.width(), y1 = y0 + rect.height(); // exclusive
    const int t = top_.depth, b = bottom_.depth, l = left_.depth, r = right_.depth;
    // The image's pixels [fromX, toX) x [fromY, toY), with their top-left corner at (atX, atY).
    const auto put = [&](const QImage& image, int fromX, int toX, int fromY, int toY, int atX,
                         int atY) {
        if (fromX < toX && fromY < toY)
            painter.drawImage(QPoint(atX, atY), image,
                              QRect(fromX, fromY, toX - fromX, toY - fromY));
    };
    // Rows [fromY, toY) of a strip, along the edge between the corners.
    const auto edge = [&](const QImage& strip, int fromY, int toY, int atY) {
        for (int x = x0 + l; x < x1 - r; x += StripColumns)
            put(strip, 0, std::min(StripColumns, x1 - r - x), fromY, toY, x, atY);
    };
    put(small_, left_.clear, l, top_.clear, t, x0 + left_.clear, y0 + top_.clear);
    edge(topRows_, top_.clear, t, y0 + top_.clear);
    put(small_, Side - r, Side - right_.clear, top_.clear, t, x1 - r, y0 + top_.clear);

    for (int y = y0 + t; y < y1 - b; y += BandRows) {
        const int rows = std::min(BandRows, y1 - b - y);
        put(sides_, left_.clear, l, 0, rows, x0 + left_.clear, y);
        put(sides_, l, l + r - right_.clear, 0, rows, x1 - r, y);
        if (inside_.alpha() != 0)
            painter.fillRect(QRect(x0 + l, y, x1 - r - x0 - l, rows), inside_);
    }

    put(small_, left_.clear, l, Side - b, Side - bottom_.clear, x0 + left_.clear, y1 - b);
    edge(bottomRows_, 0, b - bottom_.clear, y1 - b);
    put(small_, Side - r, Side - right_.clear, Side - b, Side - bottom_.clear, x1 - r, y1 - b);
}
