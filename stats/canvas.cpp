#include "stats/canvas.h"

#include <QFontMetrics>
#include <algorithm>

namespace canvas {

void fill(QPainter& p, int l, int t, int r, int b, const QColor& colour) {
    if (r <= l || b <= t)
        return;
    p.fillRect(QRect(QPoint(l, t), QPoint(r - 1, b - 1)), colour);
}

void outline(QPainter& p, int l, int t, int r, int b, const QColor& colour) {
    if (r <= l || b <= t)
        return;
    // Four one-pixel fills are exact on every paint device, whatever the pen rules are.
    fill(p, l, t, r, t + 1, colour);
    fill(p, l, b - 1, r, b, colour);
    fill(p, l, t, l + 1, b, colour);
    fill(p, r - 1, t, r, b, colour);
}

void line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& colour) {
    if (x1 == x2 && y1 == y2)
        return;
    if (y1 == y2)
        fill(p, std::min(x1, x2 + 1), y1, std::max(x1 + 1, x2), y1 + 1, colour);
    else if (x1 == x2)
        fill(p, x1, std::min(y1, y2 + 1), x1 + 1, std::max(y1 + 1, y2), colour);
}

void ellipse(QPainter& p, int l, int t, int r, int b, const QColor& fillColour,
             const QColor& outlineColour) {
    if (r - l < 2 || b - t < 2)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(outlineColour, 1));
    p.setBrush(fillColour);
    // A cosmetic 1-pixel pen covers x .. x + width of the rectangle it is given.
    p.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
    p.restore();
}

void text(QPainter& p, int x, int y, const QString& text, const QColor& colour) {
    // Only the pen changes; it is put back without saving the whole painter state.
    const QPen pen = p.pen();
    p.setPen(colour);
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
    p.setPen(pen);
}

void opaqueText(QPainter& p, int x, int y, const QString& str, const QColor& colour,
                const QColor& background) {
    fill(p, x, y, x + textWidth(p, str), y + textHeight(p), background);
    text(p, x, y, str, colour);
}

int textWidth(const QPainter& p, const QString& text) {
    return p.fontMetrics().horizontalAdvance(text);
}

int textHeight(const QPainter& p) {
    return p.fontMetrics().height();
}

} // namespace canvas
