#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

#include <functional>
#include <optional>

class QPainter;

// A frame made once as a picture and then put onto the screen from it. Frames of a style are
// lines and border pictures along the sides of their rectangle and one colour inside: all rows
// further than Reach pixels from the top and bottom edge are alike, and so are all columns
// further than Reach from the left and right edge. The frame is drawn twice at a small size, and
// put together from that at any larger size: its corners, the colours of its middle column along
// the top and bottom edge, and its middle row. That takes a fraction of drawing the frame and
// little memory, one picture serves frames of every size, and it comes to the same pixels where
// the frame paints every pixel once (what it draws on the frame's own colour inside excepted,
// which it covers in full).
class FramePicture {
public:
    // Rows and columns at either edge that may differ from the middle ones.
    static constexpr int Reach = 32;

    // Whether a frame of this size is as large as the picture or larger, so that it can be put
    // together from one.
    static bool fits(QSize size) {
        return size.width() >= 2 * Reach + 1 && size.height() >= 2 * Reach + 1;
    }

    // Draws the frame with draw(painter, rectangle) at the picture's sizes, on transparent
    // images. Empty when the frame is not made of edges and a middle.
    static std::optional<FramePicture>
    make(const std::function<void(QPainter&, const QRect&)>& draw);

    // Puts the frame down in rect, which must fit.
    void paint(QPainter& painter, const QRect& rect) const;

    // The rows or columns at one edge that differ from the middle ones, and how many of those,
    // from the edge on, are see-through in full (nothing to put down).
    struct Edge {
        int depth = 0;
        int clear = 0;
    };

private:
    FramePicture() = default;

    QImage small_;      // the frame drawn with one middle row and column
    QImage sides_;      // the ends of the middle row, left and right, in rows enough for one band
    QImage topRows_;    // the top edge's rows between the corners, a stretch of them
    QImage bottomRows_; // and the bottom edge's
    QColor inside_;     // the colour of everything between the edges
    Edge top_, bottom_, left_, right_;
};
