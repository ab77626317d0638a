#pragma once

#include <QBrush>
#include <QFont>
#include <QLineF>
#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QRectF>
#include <QString>

#include <memory>

// A paint device that keeps what is drawn on it instead of pixels: texts with their top-left
// corner, font and colour; lines, rectangles and ellipses with pen and brush; the rectangles
// images and pixmaps are put into; all in device coordinates (after the painter's transform).
// Lets a test read the texts of a page and the pen of each line.
struct RecordedText {
    QString text;
    QPointF topLeft;
    QFont font;
    QColor colour;
};

struct RecordedShape {
    enum class Kind { Line, Rect, Ellipse, Image, Other };
    Kind kind = Kind::Other;
    QLineF line;
    QRectF rect;
    QPen pen;
    QBrush brush;
};

class PaintRecorder : public QPaintDevice {
public:
    PaintRecorder(int width, int height);
    ~PaintRecorder() override;

    QPaintEngine* paintEngine() const override;

    QList<RecordedText> texts;
    QList<RecordedShape> shapes;

    // The texts in drawing order.
    QStringList textStrings() const;
    // The first text equal to s; nullptr when there is none.
    const RecordedText* find(const QString& s) const;
    QList<RecordedShape> shapesOf(RecordedShape::Kind kind) const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    int width_, height_;
    std::unique_ptr<QPaintEngine> engine_;
};
