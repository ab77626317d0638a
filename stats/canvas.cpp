#include "stats/canvas.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace canvas {

struct TextCache::FontTexts {
    // A text as QTextLayout lays it out: its glyph runs, whose positions put the baseline at
    // `baseline` below the top.
    struct LaidOut {
        int width = 0;
        bool shaped = false;
        QList<QGlyphRun> runs;
        qreal baseline = 0;
    };

    QFont font; // as the painter holds it, resolved for the device
    int dpi = 0;
    int ascent = 0;
    int height = 0;
    QHash<QString, LaidOut> texts;

    LaidOut& entry(const QPainter& p, const QString& text) {
        auto it = texts.find(text);
        if (it != texts.end())
            return *it;
        // A view's texts are few; a flood of different ones starts the cache afresh.
        if (texts.size() >= 4096)
            texts.clear();
        LaidOut laidOut;
        laidOut.width = p.fontMetrics().horizontalAdvance(text);
        return *texts.insert(text, laidOut);
    }

    const LaidOut& shaped(const QPainter& p, const QString& text) {
        LaidOut& laidOut = entry(p, text);
        if (!laidOut.shaped) {
            QTextLayout layout(text, font, p.device());
            QTextOption option;
            option.setTextDirection(Qt::LeftToRight);
            layout.setTextOption(option);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            layout.endLayout();
            laidOut.runs = layout.glyphRuns();
            laidOut.baseline = line.isValid() ? line.ascent() : 0;
            laidOut.shaped = true;
        }
        return laidOut;
    }
};

TextCache::TextCache() = default;
TextCache::~TextCache() = default;

TextCache::FontTexts& TextCache::fontOf(const QPainter& p) {
    const QFont& font = p.font();
    const int dpi = p.device() ? p.device()->logicalDpiY() : 0;
    for (const auto& entry : fonts_) {
        if (entry->dpi == dpi && entry->font == font)
            return *entry;
    }
    auto entry = std::make_unique<FontTexts>();
    entry->font = font;
    entry->dpi = dpi;
    const QFontMetrics metrics = p.fontMetrics();
    entry->ascent = metrics.ascent();
    entry->height = metrics.height();
    fonts_.push_back(std::move(entry));
    return *fonts_.back();
}

namespace {

// Whether glyph runs laid out once give the pixels QPainter::drawText gives: on the raster
// engine, moved by whole device pixels only, for text that QPainter lays out left to right in
// one run of lines-free text.
bool drawsLikeDrawText(const QPainter& p, const QString& text) {
    const QPaintEngine* engine = p.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return false;
    const QTransform transform = p.deviceTransform();
    if (transform.type() > QTransform::TxTranslate ||
        transform.dx() != std::floor(transform.dx()) ||
        transform.dy() != std::floor(transform.dy()))
        return false;
    if (p.layoutDirection() == Qt::RightToLeft)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029)
            return false;
        switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirLRI:
        case QChar::DirFSI:
        case QChar::DirPDF:
        case QChar::DirPDI:
            return false;
        default:
            break;
        }
    }
    return true;
}

} // namespace

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

void text(QPainter& p, int x, int y, const QString& text, const QColor& colour, TextCache* cache) {
    // Only the pen changes; it is put back without saving the whole painter state.
    const QPen pen = p.pen();
    p.setPen(colour);
    if (!cache) {
        p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
    } else {
        TextCache::FontTexts& font = cache->fontOf(p);
        if (text.isEmpty() || !drawsLikeDrawText(p, text)) {
            p.drawText(QPoint(x, y + font.ascent), text);
        } else {
            // The runs' baseline is moved onto the baseline drawText would use.
            const auto& laidOut = font.shaped(p, text);
            const QPointF origin(x, y + font.ascent - laidOut.baseline);
            for (const QGlyphRun& run : laidOut.runs)
                p.drawGlyphRun(origin, run);
        }
    }
    p.setPen(pen);
}

void opaqueText(QPainter& p, int x, int y, const QString& str, const QColor& colour,
                const QColor& background, TextCache* cache) {
    fill(p, x, y, x + textWidth(p, str, cache), y + textHeight(p, cache), background);
    text(p, x, y, str, colour, cache);
}

int textWidth(const QPainter& p, const QString& text, TextCache* cache) {
    if (!cache)
        return p.fontMetrics().horizontalAdvance(text);
    return cache->fontOf(p).entry(p, text).width;
}

int textHeight(const QPainter& p, TextCache* cache) {
    return cache ? cache->fontOf(p).height : p.fontMetrics().height();
}

} // namespace canvas
