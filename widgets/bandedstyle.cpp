#include "widgets/bandedstyle.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>

namespace {
// Room around an element's rectangle for what a style draws just outside it.
constexpr int Margin = 4;

QRect withMargin(const QRect& rect) {
    return rect.adjusted(-Margin, -Margin, Margin, Margin);
}
} // namespace

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

BandedStyle::BandedStyle(QStyle* base) : QProxyStyle(base) {}

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
    if (element != PE_FrameGroupBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    paintInBands(*painter, withMargin(option->rect), FrameBandRows,
                 [&] { QProxyStyle::drawPrimitive(element, option, painter, widget); });
}
