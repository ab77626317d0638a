#include "widgets/bandedstyle.h"

#include "widgets/framepicture.h"

#include <QApplication>
#include <QGroupBox>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace {
// Room around an element's rectangle for what a style draws just outside it.
constexpr int Margin = 4;

QRect withMargin(const QRect& rect) {
    return rect.adjusted(-Margin, -Margin, Margin, Margin);
}

// Whether a picture put down with the painter has the pixels of a frame drawn with it: on a
// raster device at one device pixel per pixel, moved by whole pixels only, blended over what
// is there.
bool takesPictures(const QPainter& painter) {
    const QTransform& transform = painter.deviceTransform();
    return painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster &&
           painter.device()->devicePixelRatio() == 1 &&
           transform.type() <= QTransform::TxTranslate &&
           transform.dx() == std::round(transform.dx()) &&
           transform.dy() == std::round(transform.dy()) &&
           painter.compositionMode() == QPainter::CompositionMode_SourceOver &&
           painter.opacity() == 1.0;
}

// Everything the pixels of a frame or a scroll bar depend on.
struct FrameKey {
    int element = 0; // a primitive element, or a complex control after them
    QSize size;
    int state = 0;
    Qt::LayoutDirection direction{};
    qint64 palette = 0;
    int fontHeight = 0;
    int renderHints = 0;
    std::vector<int> more; // a group box's title and check box, a tab page's bar, a bar's values
    bool operator==(const FrameKey&) const = default;
};

FrameKey commonKey(int element, const QStyleOption& option, const QPainter& painter) {
    return {element,
            option.rect.size(),
            int(option.state),
            option.direction,
            option.palette.cacheKey(),
            option.fontMetrics.height(),
            int(painter.renderHints()),
            {}};
}

// The key of a scroll bar: where its slider stands, and which of its parts are shown and active.
FrameKey scrollBarKey(const QStyleOptionSlider& bar, const QPainter& painter) {
    FrameKey key = commonKey(int(QStyle::PE_CustomBase) + int(QStyle::CC_ScrollBar), bar, painter);
    key.more = {bar.orientation,      bar.minimum,
                bar.maximum,          bar.sliderPosition,
                bar.sliderValue,      bar.singleStep,
                bar.pageStep,         bar.upsideDown,
                int(bar.subControls), int(bar.activeSubControls)};
    return key;
}

// The key of a frame's picture, which serves frames of every size.
std::optional<FrameKey> keyOf(QStyle::PrimitiveElement element, const QStyleOption& option,
                              const QPainter& painter, const QWidget* widget) {
    FrameKey key = commonKey(element, option, painter);
    key.size = QSize();
    if (element == QStyle::PE_FrameGroupBox) {
        const auto* group = qobject_cast<const QGroupBox*>(widget);
        if (!group)
            return std::nullopt;
        key.more = {group->title().isEmpty(), group->isCheckable()};
        return key;
    }
    const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(&option);
    if (!frame)
        return std::nullopt;
    const QRect& bar = frame->tabBarRect;
    const QRect& selected = frame->selectedTabRect;
    key.more = {frame->shape,
                frame->lineWidth,
                frame->midLineWidth,
                bar.x(),
                bar.y(),
                bar.width(),
                bar.height(),
                frame->tabBarSize.width(),
                frame->tabBarSize.height(),
                frame->leftCornerWidgetSize.width(),
                frame->leftCornerWidgetSize.height(),
                frame->rightCornerWidgetSize.width(),
                frame->rightCornerWidgetSize.height(),
                selected.x(),
                selected.y(),
                selected.width(),
                selected.height()};
    return key;
}

// The entry of entries under key, made by make() where there is none. Entries of palettes, fonts,
// states and sizes long gone go all at once.
template <typename Value, typename Make>
const Value& cached(std::vector<std::pair<FrameKey, Value>>& entries, const FrameKey& key,
                    Make&& make) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const auto& entry) { return entry.first == key; });
    if (found != entries.end())
        return found->second;
    if (entries.size() >= 16)
        entries.clear();
    entries.emplace_back(key, make());
    return entries.back().second;
}

// Draws the element of the base style with the option moved to rect.
template <typename Option>
void drawMoved(const QProxyStyle& style, QStyle::PrimitiveElement element, const Option& option,
               const QRect& rect, QPainter& painter, const QWidget* widget) {
    Option moved(option);
    moved.rect = rect;
    style.baseStyle()->drawPrimitive(element, &moved, &painter, widget);
}

} // namespace

// The pictures made so far, and the frames that have none; the bands of the scroll bars drawn
// last.
struct BandedStyle::Pictures {
    std::vector<std::pair<FrameKey, std::optional<FramePicture>>> made;
    std::vector<std::pair<FrameKey, std::vector<QImage>>> bars;
};

void paintInBands(QPainter& painter, const QRect& area, int rowsPerBand,
                  const std::function<void()>& draw) {
    if (area.height() <= rowsPerBand) {
        draw();
        return;
    }
    for (int top = area.top(); top <= area.bottom(); top += rowsPerBand) {
        painter.save();
        painter.setClipRect(QRect(area.left(), top, area.width(), rowsPerBand), Qt::IntersectClip);
        draw();
        painter.restore();
    }
}

BandedStyle::BandedStyle(QStyle* base) : QProxyStyle(base), pictures_(new Pictures) {}

BandedStyle::~BandedStyle() = default;

BandedStyle* BandedStyle::shared() {
    static QPointer<BandedStyle> style;
    if (!style) {
        // An instance of the application's style of its own: a proxy owns its base.
        style = new BandedStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}

void BandedStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    if (element != PE_FrameGroupBox && element != PE_FrameTabWidget) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (const FramePicture* picture = pictureOf(element, option, painter, widget)) {
        picture->paint(*painter, withMargin(option->rect));
        return;
    }
    paintInBands(*painter, withMargin(option->rect), FrameBandRows,
                 [&] { QProxyStyle::drawPrimitive(element, option, painter, widget); });
}

void BandedStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar || option->rect.height() <= FrameBandRows ||
        !takesPictures(*painter)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const std::vector<QImage>& bands = cached(pictures_->bars, scrollBarKey(*bar, *painter), [&] {
        return bandImages(control, option, painter, widget);
    });
    if (bands.empty()) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    int top = option->rect.top();
    for (const QImage& band : bands) {
        painter->drawImage(option->rect.left(), top, band);
        top += band.height();
    }
}

std::vector<QImage> BandedStyle::bandImages(ComplexControl control,
                                            const QStyleOptionComplex* option,
                                            const QPainter* painter, const QWidget* widget) const {
    // A style may clip parts of a control itself, which a band clipped on the painter would not
    // hold in; the edges of an image do. Each band is drawn whole on a transparent image; where
    // the control covers every pixel of it (a scroll bar starts with its groove), putting the
    // image down replaces what is under it just as drawing there does.
    const QRect& rect = option->rect;
    std::vector<QImage> bands;
    for (int top = rect.top(); top <= rect.bottom(); top += FrameBandRows) {
        QImage band(rect.width(), std::min(FrameBandRows, rect.bottom() + 1 - top),
                    QImage::Format_ARGB32_Premultiplied);
        band.fill(Qt::transparent);
        {
            QPainter on(&band);
            on.setRenderHints(painter->renderHints());
            on.translate(-rect.left(), -top);
            QProxyStyle::drawComplexControl(control, option, &on, widget);
        }
        for (int y = 0; y < band.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(band.constScanLine(y));
            if (!std::all_of(line, line + band.width(),
                             [](QRgb pixel) { return qAlpha(pixel) == 255; }))
                return {};
        }
        bands.push_back(std::move(band));
    }
    return bands;
}

const FramePicture* BandedStyle::pictureOf(PrimitiveElement element, const QStyleOption* option,
                                           const QPainter* painter, const QWidget* widget) const {
    if (!takesPictures(*painter) || !FramePicture::fits(withMargin(option->rect).size()))
        return nullptr;
    const std::optional<FrameKey> key = keyOf(element, *option, *painter, widget);
    if (!key)
        return nullptr;
    const auto draw = [&](QPainter& on, const QRect& rect) {
        on.setRenderHints(painter->renderHints());
        const QRect inside = rect.adjusted(Margin, Margin, -Margin, -Margin);
        paintInBands(on, rect, FrameBandRows, [&] {
            if (const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(option))
                drawMoved(*this, element, *frame, inside, on, widget);
            else
                drawMoved(*this, element, *option, inside, on, widget);
        });
    };
    const std::optional<FramePicture>& picture =
        cached(pictures_->made, *key, [&] { return FramePicture::make(draw); });
    return picture ? &*picture : nullptr;
}
