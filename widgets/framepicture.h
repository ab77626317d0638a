#pragma once

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
// put together from that at any size: its corners, the colours of its middle column along the
// top and bottom edge, and its middle row. That takes a fraction of drawing the frame and little
// memory, and comes to the same pixels where the frame paints every pixel once (what it draws
// on the frame's own colour inside excepted, which it covers in full).
class FramePicture {
public:
    // Rows and columns at either edge that may differ from the middle ones.
    static constexpr int Reach = 32;

    // Draws the frame of the given size with draw(painter, rectangle), on a transparent image.
    // Empty when the frame is too small to gain from a picture, or when it is not made of
    // edges and a middle.
    static std::optional<FramePicture>
    make(QSize size, const std::function<void(QPainter&, const QRect&)>& draw);

    QSize size() const { return size_; }
    // Puts the frame down with its rectangle's top-left corner at topLeft.
    void paint(QPainter& painter, QPoint topLeft) const;

private:
    FramePicture() = default;

    QSize size_;
    QImage small_; // the frame drawn with one middle row and column
    QImage sides_; // the ends of the middle row, left and right, in rows enough for one band
};
