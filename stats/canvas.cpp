#include "stats/canvas.h"

#include "platform/localeformats.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QRegion>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace canvas {

namespace {

// Whether the painter paints with the raster engine, moved by whole device pixels only.
bool rasterByWholePixels(const QPainter& p) {
    const QPaintEngine* engine = p.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return false;
    const QTransform transform = p.deviceTransform();
    return transform.type() <= QTransform::TxTranslate &&
           transform.dx() == std::floor(transform.dx()) &&
           transform.dy() == std::floor(transform.dy());
}

// Whether glyph runs laid out once give the pixels QPainter::drawText gives, as far as the
// painter decides it: on the raster engine, moved by whole device pixels only, laying out left
// to right.
bool paintsRunsLikeDrawText(const QPainter& p) {
    return rasterByWholePixels(p) && p.layoutDirection() != Qt::RightToLeft;
}

// Whether glyphs blended on an image of 32-bit pixels and copied from it give the pixels they
// give blended where the painter paints, as far as the device decides it: on such an image itself
// (a widget's backing store is one), blended over what is there.
bool stampsAsDrawn(const QPainter& p) {
    const QPaintEngine* engine = p.paintEngine();
    const QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return false;
    const QImage::Format format = static_cast<const QImage*>(device)->format();
    return (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
           p.opacity() == 1.0 && p.compositionMode() == QPainter::CompositionMode_SourceOver;
}

// The pixels the painter has at rect, where every one of them could be painted (no clip kept
// any off); the painter paints on an image (stampsAsDrawn).
std::optional<QImage> paintedPixels(const QPainter& p, const QRect& rect) {
    const QPaintEngine* engine = p.paintEngine();
    const auto* target = static_cast<const QImage*>(engine->paintDevice());
    const QTransform transform = p.deviceTransform();
    const QRect device = rect.translated(int(transform.dx()), int(transform.dy()));
    if (!target->rect().contains(device) ||
        (p.hasClipping() && !QRegion(rect).subtracted(p.clipRegion()).isEmpty()) ||
        (!engine->systemClip().isEmpty() &&
         !QRegion(device).subtracted(engine->systemClip()).isEmpty()))
        return std::nullopt;
    return target->copy(device).convertToFormat(QImage::Format_RGB32);
}

// A drawing on a see-through image of the size: the image, the rectangle of the pixels it
// covers (empty for none), whether it covers each of them in full, and whether it keeps off the
// image's edge (else it may reach further than the image).
struct Coverage {
    QImage image;
    QRect rect;
    bool whole = true;
    bool inside = true;
};
Coverage coverageOf(QSize size, const std::function<void(QPainter&)>& draw) {
    Coverage coverage;
    QImage& drawn = coverage.image;
    drawn = QImage(size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    {
        QPainter p(&drawn);
        draw(p);
    }
    int left = drawn.width(), top = drawn.height(), right = -1, bottom = -1;
    for (int y = 0; y < drawn.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        for (int x = 0; x < drawn.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0)
                continue;
            coverage.whole = coverage.whole && alpha == 255;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right >= 0) {
        coverage.rect = QRect(QPoint(left, top), QPoint(right, bottom));
        coverage.inside = drawn.rect().adjusted(1, 1, -1, -1).contains(coverage.rect);
    }
    return coverage;
}

// The same, as far as the text decides it: one run of left-to-right text without line breaks
// or control characters.
bool laysOutInOneRun(const QString& text) {
    if (text.isEmpty())
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

// FNV-1a over the UTF-16 units: the texts are short and many lookups are made per row, where
// QString's seeded hash costs more than the rest of the lookup. The cache's size is bounded,
// so texts chosen to collide cost at most a slow view, not memory.
struct TextHash {
    size_t operator()(const QString& text) const noexcept {
        quint64 hash = 14695981039346656037ULL;
        for (const QChar c : text) {
            hash ^= c.unicode();
            hash *= 1099511628211ULL;
        }
        return size_t(hash);
    }
};

} // namespace

// A text as QTextLayout lays it out: its glyph runs, whose positions put the baseline at
// `baseline` below the top.
struct TextCache::LaidOut {
    int width = 0;
    bool oneRun = false; // the text lays out in one left-to-right run (laysOutInOneRun)
    bool shaped = false;
    QList<QGlyphRun> runs;
    qreal baseline = 0;
    // The pixels the runs cover from the text's top-left corner, in the render hints they were
    // found in: empty for none, nullopt when they reach past the room they were looked for in.
    bool inkFound = false;
    int inkHints = 0;
    std::optional<QRect> ink;
    // The text drawn once on a colour, by pen, colour and render hints.
    struct Stamp {
        QRgb pen = 0;
        QRgb background = 0;
        int hints = 0;
        QRect rect; // from the text's top-left corner
        QImage image;
    };
    std::vector<Stamp> stamps;
};

struct TextCache::FontTexts {
    explicit FontTexts(const QPainter& p) : font(p.font()), metrics(p.fontMetrics()) {}

    QFont font; // as the painter holds it, resolved for the device
    QFontMetrics metrics;
    int dpi = 0;
    int ascent = 0;
    int height = 0;
    std::unordered_map<QString, LaidOut, TextHash> texts;
    // Texts by the keys TextFont::made() was given: the text and its entry in `texts`.
    std::unordered_map<quint64, std::pair<const QString*, LaidOut*>> made;
    // The formats the made texts were made in.
    QString madeDateFormat;
    QChar madeDecimalSeparator;

    LaidOut& entry(const QString& text) {
        auto it = texts.find(text);
        if (it != texts.end())
            return it->second;
        // A view's texts are few; a flood of different ones starts the cache afresh.
        if (texts.size() >= 4096 || made.size() >= 4096) {
            made.clear();
            texts.clear();
            stampBytes = 0;
        }
        LaidOut laidOut;
        laidOut.width = metrics.horizontalAdvance(text);
        laidOut.oneRun = laysOutInOneRun(text);
        return texts.emplace(text, std::move(laidOut)).first->second;
    }

    // Forgets the made texts when the program's formats have changed since they were made.
    void keepMadeForCurrentFormats() {
        const LocaleFormats& formats = LocaleFormats::current();
        if (formats.shortDateFormat() == madeDateFormat &&
            formats.decimalSeparator() == madeDecimalSeparator)
            return;
        made.clear();
        madeDateFormat = formats.shortDateFormat();
        madeDecimalSeparator = formats.decimalSeparator();
    }

    const LaidOut& shaped(const QPainter& p, const QString& text, LaidOut& laidOut) {
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

    // Draws a text that lays out in one run with its top-left corner at (x, y), in the
    // painter's pen.
    void drawRuns(QPainter& p, int x, int y, const QString& text, LaidOut& laidOut) {
        // The runs' baseline is moved onto the baseline drawText would use.
        const LaidOut& runs = shaped(p, text, laidOut);
        const QPointF origin(x, y + ascent - runs.baseline);
        for (const QGlyphRun& run : runs.runs)
            p.drawGlyphRun(origin, run);
    }

    // Where a text that lays out in one run covers pixels in the painter's render hints, from
    // its top-left corner: drawn once on a see-through image with room all around.
    std::optional<QRect> inkOf(const QPainter& p, const QString& text, LaidOut& laidOut) {
        const int hints = int(p.renderHints());
        if (laidOut.inkFound && laidOut.inkHints == hints)
            return laidOut.ink;
        // Texts longer than any column are drawn as usual, without an image the size of them.
        if (laidOut.width > 2048)
            return std::nullopt;
        const int room = std::max(height, 8);
        const Coverage covered =
            coverageOf(QSize(laidOut.width + 2 * room, height + 2 * room), [&](QPainter& q) {
                q.setRenderHints(p.renderHints());
                q.setPen(Qt::black);
                drawRuns(q, room, room, text, laidOut);
            });
        laidOut.inkFound = true;
        laidOut.inkHints = hints;
        if (covered.inside)
            laidOut.ink = covered.rect.isEmpty() ? QRect() : covered.rect.translated(-room, -room);
        else
            laidOut.ink = std::nullopt;
        return laidOut.ink;
    }

    // The text drawn in the pen on the background over rect (from its top-left corner), made
    // the first time; nullptr where the stamps already take their share of memory.
    const QImage* stampOf(const QPainter& p, const QString& text, LaidOut& laidOut,
                          const QRect& rect, QRgb pen, QRgb background) {
        const int hints = int(p.renderHints());
        for (const LaidOut::Stamp& stamp : laidOut.stamps) {
            if (stamp.pen == pen && stamp.background == background && stamp.hints == hints &&
                stamp.rect == rect)
                return &stamp.image;
        }
        if (laidOut.stamps.size() >= 8 || stampBytes >= StampBudget)
            return nullptr;
        QImage image(rect.size(), QImage::Format_RGB32);
        image.fill(background);
        {
            QPainter q(&image);
            q.setRenderHints(p.renderHints());
            q.setPen(QColor::fromRgba(pen));
            drawRuns(q, -rect.left(), -rect.top(), text, laidOut);
        }
        stampBytes += image.sizeInBytes();
        laidOut.stamps.push_back({pen, background, hints, rect, std::move(image)});
        return &laidOut.stamps.back().image;
    }

    // The memory the stamps of one font may take: the texts of some thousand rows.
    static constexpr qsizetype StampBudget = 4 << 20;
    qsizetype stampBytes = 0;

    // Whether texts put down from images have the pixels of texts drawn on a widget, in the
    // render hints found with. Qt may blend a widget's glyphs otherwise than an image's (in the
    // screen's subpixel order), so the first text for a widget is drawn and compared.
    enum class OnWidgets { Unknown, Alike, Unlike };
    OnWidgets onWidgets = OnWidgets::Unknown;
    int onWidgetsHints = 0;
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
    auto entry = std::make_unique<FontTexts>(p);
    entry->dpi = dpi;
    entry->ascent = entry->metrics.ascent();
    entry->height = entry->metrics.height();
    fonts_.push_back(std::move(entry));
    return *fonts_.back();
}

namespace {

void drawEllipse(QPainter& p, const QRect& rect, const QColor& fillColour,
                 const QColor& outlineColour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(outlineColour, 1));
    p.setBrush(fillColour);
    // A cosmetic 1-pixel pen covers x .. x + width of the rectangle it is given.
    p.drawEllipse(rect);
    p.restore();
}

} // namespace

const TextCache::Piece* TextCache::findPiece(const PieceKey& key) const {
    for (const Piece& piece : pieces_) {
        if (piece.key == key)
            return &piece;
    }
    return nullptr;
}

const TextCache::Piece& TextCache::makePiece(const PieceKey& key, QSize size, int room,
                                             const std::function<void(QPainter&, QPoint)>& draw) {
    if (pieces_.size() >= 64)
        pieces_.clear();
    Piece piece{key, QImage(), QPoint(), false};
    // Drawn with room all around on a transparent image; the piece's image is what the
    // drawing covered.
    const Coverage covered = coverageOf(size + QSize(2 * room, 2 * room),
                                        [&](QPainter& p) { draw(p, QPoint(room, room)); });
    piece.exact = covered.whole && covered.inside && !covered.rect.isEmpty();
    if (piece.exact) {
        piece.image = covered.image.copy(covered.rect);
        piece.offset = covered.rect.topLeft() - QPoint(room, room);
        // A piece that covers all of its image is copied line by line where it is drawn
        // instead of being blended pixel by pixel.
        bool full = true;
        for (int y = 0; full && y < piece.image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(piece.image.constScanLine(y));
            full = std::all_of(line, line + piece.image.width(),
                               [](QRgb pixel) { return qAlpha(pixel) == 255; });
        }
        if (full)
            piece.image.convertTo(QImage::Format_RGB32);
    }
    pieces_.push_back(std::move(piece));
    return pieces_.back();
}

TextFont::TextFont(const QPainter& p, TextCache* cache)
    : font_(p.font()), metrics_(p.fontMetrics()), cached_(cache ? &cache->fontOf(p) : nullptr),
      drawsRuns_(cache && paintsRunsLikeDrawText(p)),
      ascent_(cached_ ? cached_->ascent : metrics_.ascent()),
      height_(cached_ ? cached_->height : metrics_.height()) {
    if (cached_)
        cached_->keepMadeForCurrentFormats();
}

TextFont::Text TextFont::text(const QString& string) const {
    if (!cached_)
        return {string, metrics_.horizontalAdvance(string), nullptr};
    TextCache::LaidOut& laidOut = cached_->entry(string);
    return {string, laidOut.width, &laidOut};
}

bool TextFont::findMade(quint64 key, Text& found) const {
    if (!cached_)
        return false;
    const auto it = cached_->made.find(key);
    if (it == cached_->made.end())
        return false;
    found = {*it->second.first, it->second.second->width, it->second.second};
    return true;
}

TextFont::Text TextFont::remember(quint64 key, const QString& string) const {
    if (!cached_)
        return text(string);
    TextCache::LaidOut& laidOut = cached_->entry(string);
    // The entry's own copy of the text, which lives as long as the entry.
    const QString& kept = cached_->texts.find(string)->first;
    cached_->made.emplace(key, std::pair{&kept, &laidOut});
    return {kept, laidOut.width, &laidOut};
}

void TextFont::draw(QPainter& p, int x, int y, const Text& text) const {
    if (drawsRuns_ && text.laidOut->oneRun) {
        cached_->drawRuns(p, x, y, text.string, *text.laidOut);
        return;
    }
    if (p.font() != font_)
        p.setFont(font_);
    p.drawText(QPoint(x, y + ascent_), text.string);
}

void TextFont::draw(QPainter& p, int x, int y, const Text& text, PlainArea& on) const {
    const std::optional<QRect> ink = inkAt(p, x, y, text);
    if (!ink) {
        draw(p, x, y, text);
        on.drawnOn(std::nullopt);
        return;
    }
    if (ink->isEmpty())
        return;
    // A pixel's margin: the image holds every pixel the glyphs could change.
    const QRect around = ink->adjusted(-1, -1, 1, 1);
    const QPen& pen = p.pen();
    if (!on.holds(around) || !stampsAsDrawn(p) || pen.brush().style() != Qt::SolidPattern ||
        pen.color().alpha() != 255 || !ofEightBits(pen.color()) || on.colour().alpha() != 255 ||
        !ofEightBits(on.colour())) {
        draw(p, x, y, text);
        on.drawnOn(around);
        return;
    }
    using OnWidgets = TextCache::FontTexts::OnWidgets;
    const bool onImage = p.device() && p.device()->devType() == QInternal::Image;
    if (!onImage && cached_->onWidgetsHints != int(p.renderHints())) {
        cached_->onWidgets = OnWidgets::Unknown;
        cached_->onWidgetsHints = int(p.renderHints());
    }
    const auto stamp = [&] {
        return cached_->stampOf(p, text.string, *text.laidOut, around.translated(-x, -y),
                                pen.color().rgba(), on.colour().rgba());
    };
    if (onImage || cached_->onWidgets == OnWidgets::Alike) {
        if (const QImage* image = stamp()) {
            p.drawImage(around.topLeft(), *image);
            on.drawnOn(around);
            return;
        }
    }
    draw(p, x, y, text);
    on.drawnOn(around);
    if (cached_->onWidgets == OnWidgets::Unknown && !onImage) {
        // Compared where the whole text could be painted; a clipped one tells nothing.
        const QImage* image = stamp();
        if (const std::optional<QImage> drawn = paintedPixels(p, around); image && drawn)
            cached_->onWidgets = *drawn == *image ? OnWidgets::Alike : OnWidgets::Unlike;
    }
}

std::optional<QRect> TextFont::inkAt(const QPainter& p, int x, int y, const Text& text) const {
    if (!drawsRuns_ || !text.laidOut || !text.laidOut->oneRun)
        return std::nullopt;
    const std::optional<QRect> ink = cached_->inkOf(p, text.string, *text.laidOut);
    if (!ink || ink->isEmpty())
        return ink;
    return ink->translated(x, y);
}

bool DrawnSince::meets(const QRect& rect) const {
    return somewhere_ || std::any_of(rects_.begin(), rects_.end(),
                                     [&](const QRect& drawn) { return drawn.intersects(rect); });
}

bool blitsAsDrawn(const QPainter& p) {
    return rasterByWholePixels(p) && p.opacity() == 1.0 &&
           p.compositionMode() == QPainter::CompositionMode_SourceOver;
}

bool ofEightBits(const QColor& colour) {
    return colour == QColor::fromRgba(colour.rgba());
}

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

std::optional<QRect> ellipse(QPainter& p, int l, int t, int r, int b, const QColor& fillColour,
                             const QColor& outlineColour, TextCache* cache) {
    if (r - l < 2 || b - t < 2)
        return QRect();
    const auto draw = [&](QPainter& q, QPoint at) {
        drawEllipse(q, QRect(at.x(), at.y(), r - l - 1, b - t - 1), fillColour, outlineColour);
    };
    if (!cache || !ofEightBits(fillColour) || !ofEightBits(outlineColour)) {
        draw(p, QPoint(l, t));
        return std::nullopt;
    }
    // A flat ellipse's outline can reach past its rectangle.
    static const char tag = 0;
    return piece(p, QPoint(l, t), cache,
                 {qint64(reinterpret_cast<quintptr>(&tag)), r - l, b - t, qint64(fillColour.rgba()),
                  qint64(outlineColour.rgba()), 0},
                 QSize(r - l, b - t), (r - l) + (b - t), draw);
}

void text(QPainter& p, int x, int y, const QString& text, const QColor& colour, TextCache* cache) {
    // Only the pen changes; it is put back without saving the whole painter state.
    const QPen pen = p.pen();
    p.setPen(colour);
    if (!cache) {
        p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
    } else {
        TextCache::FontTexts& font = cache->fontOf(p);
        TextCache::LaidOut* laidOut = nullptr;
        if (!text.isEmpty() && paintsRunsLikeDrawText(p))
            laidOut = &font.entry(text);
        if (laidOut && laidOut->oneRun)
            font.drawRuns(p, x, y, text, *laidOut);
        else
            p.drawText(QPoint(x, y + font.ascent), text);
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
    return cache->fontOf(p).entry(text).width;
}

int textHeight(const QPainter& p, TextCache* cache) {
    return cache ? cache->fontOf(p).height : p.fontMetrics().height();
}

} // namespace canvas
