#pragma once

#include <QImage>
#include <QProxyStyle>

#include <functional>
#include <memory>
#include <vector>

class FramePicture;
class QPainter;

// Qt's raster painting hands a fill of 96 spans (runs of pixels in one row) or more to threads
// of its own and waits for them; waking them takes longer than drawing the few lines of a frame.
// A tall frame drawn a band of rows at a time stays on the calling thread and comes to the
// screen sooner, with the same pixels.

// Rows of a band of a frame, which has two spans a row (its left and right edge).
inline constexpr int FrameBandRows = 47;

// Calls draw once for every band of rows of area, with the painter clipped to the band.
void paintInBands(QPainter& painter, const QRect& area, int rowsPerBand,
                  const std::function<void()>& draw);

// The application's style, with the frames of group boxes and tab pages put down from a
// picture of each frame made once (see FramePicture), and drawn in bands of rows where no
// picture is to be had; and with tall scroll bars drawn a band of rows at a time, each band on
// an image of its own, and put down from those images again while they stay as they are. The
// tall frames and scroll bars shown at start-up use it.
class BandedStyle : public QProxyStyle {
public:
    // The style the widgets share; it lives as long as the application.
    static BandedStyle* shared();
    ~BandedStyle() override;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

private:
    explicit BandedStyle(QStyle* base);
    struct Pictures;
    // A tall control drawn in bands of rows on images of their own; none where the control
    // does not cover its bands in full.
    std::vector<QImage> bandImages(ComplexControl control, const QStyleOptionComplex* option,
                                   const QPainter* painter, const QWidget* widget) const;
    // The picture of the frame, or null where it is drawn as usual.
    const FramePicture* pictureOf(PrimitiveElement element, const QStyleOption* option,
                                  const QPainter* painter, const QWidget* widget) const;

    std::unique_ptr<Pictures> pictures_;
};
