#include "paintrecorder.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {

class RecordingEngine : public QPaintEngine {
public:
    explicit RecordingEngine(PaintRecorder& device)
        : QPaintEngine(QPaintEngine::AllFeatures), device_(device) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }

    void drawTextItem(const QPointF& baseline, const QTextItem& item) override {
        const QFont font = item.font();
        const QFontMetrics metrics(font);
        const QPointF origin = painter()->transform().map(baseline);
        device_.texts.append(
            {item.text(), origin - QPointF(0, metrics.ascent()), font, painter()->pen().color()});
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            RecordedShape shape = current(RecordedShape::Kind::Line);
            shape.line = painter()->transform().map(lines[i]);
            device_.shapes.append(shape);
        }
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            RecordedShape shape = current(RecordedShape::Kind::Rect);
            shape.rect = painter()->transform().mapRect(rects[i]);
            device_.shapes.append(shape);
        }
    }
    void drawEllipse(const QRectF& rect) override {
        RecordedShape shape = current(RecordedShape::Kind::Ellipse);
        shape.rect = painter()->transform().mapRect(rect);
        device_.shapes.append(shape);
    }
    void drawPath(const QPainterPath& path) override {
        RecordedShape shape = current(RecordedShape::Kind::Other);
        shape.rect = painter()->transform().mapRect(path.boundingRect());
        device_.shapes.append(shape);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        RecordedShape shape = current(RecordedShape::Kind::Other);
        shape.rect =
            painter()->transform().mapRect(QPolygonF(QList(points, points + count)).boundingRect());
        device_.shapes.append(shape);
    }
    void drawPixmap(const QRectF& rect, const QPixmap&, const QRectF&) override { image(rect); }
    void drawImage(const QRectF& rect, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        image(rect);
    }

private:
    void image(const QRectF& rect) {
        RecordedShape shape = current(RecordedShape::Kind::Image);
        shape.rect = painter()->transform().mapRect(rect);
        device_.shapes.append(shape);
    }
    RecordedShape current(RecordedShape::Kind kind) const {
        RecordedShape shape;
        shape.kind = kind;
        shape.pen = painter()->pen();
        shape.brush = painter()->brush();
        return shape;
    }

    PaintRecorder& device_;
};

} // namespace

PaintRecorder::PaintRecorder(int width, int height)
    : width_(width), height_(height), engine_(std::make_unique<RecordingEngine>(*this)) {}

PaintRecorder::~PaintRecorder() = default;

QPaintEngine* PaintRecorder::paintEngine() const {
    return engine_.get();
}

int PaintRecorder::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return width_;
    case PdmHeight:
        return height_;
    case PdmWidthMM:
        return width_ * 254 / 960;
    case PdmHeightMM:
        return height_ * 254 / 960;
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

QStringList PaintRecorder::textStrings() const {
    QStringList result;
    for (const RecordedText& t : texts)
        result.append(t.text);
    return result;
}

const RecordedText* PaintRecorder::find(const QString& s) const {
    for (const RecordedText& t : texts)
        if (t.text == s)
            return &t;
    return nullptr;
}

QList<RecordedShape> PaintRecorder::shapesOf(RecordedShape::Kind kind) const {
    QList<RecordedShape> result;
    for (const RecordedShape& s : shapes)
        if (s.kind == kind)
            result.append(s);
    return result;
}
