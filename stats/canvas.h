#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Drawing primitives in the views' pixel conventions: a rectangle is left, top, right, bottom
// with right and bottom exclusive; a line leaves out its end point; text is placed by its
// top-left corner. All of them draw without antialiasing and leave the painter's pen and
// brush as they found them.
namespace canvas {

// Paints the pixels l .. r-1, t .. b-1; nothing when the rectangle is empty.
void fill(QPainter& p, int l, int t, int r, int b, const QColor& colour);
// Draws the 1-pixel border on the rectangle's outermost pixels (l .. r-1, t .. b-1).
void outline(QPainter& p, int l, int t, int r, int b, const QColor& colour);
// Horizontal or vertical 1-pixel line from (x1, y1) towards (x2, y2), end point left out.
void line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& colour);

class TextCache;

// What was drawn on a surface (a row of a view) since its plain areas were filled: rectangles,
// or something somewhere. A text drawn on one area may reach into the next.
class DrawnSince {
public:
    // What was drawn: rect, or with nullopt something somewhere.
    void add(const std::optional<QRect>& rect) {
        if (rect)
            rects_.push_back(*rect);
        else
            somewhere_ = true;
    }
    // Whether something drawn may have touched rect.
    bool meets(const QRect& rect) const;

private:
    std::vector<QRect> rects_;
    bool somewhere_ = false;
};

// A rectangle of a surface that was filled with one colour: a text is put down on it from an
// image of the text on that colour, where the text's pixels fall on parts of it that nothing
// drawn on the surface since has touched.
class PlainArea {
public:
    PlainArea(const QRect& area, const QColor& colour, DrawnSince& drawn)
        : area_(area), colour_(colour), drawn_(drawn) {}

    const QColor& colour() const { return colour_; }
    // Whether every pixel of rect still has the area's colour.
    bool holds(const QRect& rect) const { return area_.contains(rect) && !drawn_.meets(rect); }
    // What was drawn on the surface: rect, or with nullopt something somewhere.
    void drawnOn(const std::optional<QRect>& rect) { drawn_.add(rect); }

private:
    QRect area_;
    QColor colour_;
    DrawnSince& drawn_;
};

// What a piece's pixels depend on: the first number names the kind of piece (the address of a
// tag of the painter's own), the others its size, colours and state.
using PieceKey = std::array<qint64, 6>;
// Ellipse inside the rectangle, filled and with a 1-pixel outline. With a cache, an ellipse of
// opaque colours is drawn from an image of it made once, where that gives the same pixels; the
// pixels it covered then, nullopt where they are not known.
std::optional<QRect> ellipse(QPainter& p, int l, int t, int r, int b, const QColor& fillColour,
                             const QColor& outlineColour, TextCache* cache = nullptr);
// The texts a view draws again and again (the figures, captions and dates of its rows),
// measured and laid out once per font and paint device and drawn once on the colours of the
// plain areas they are put on, and the pieces its rows draw again and again (marks, backgrounds:
// see piece()). Text drawn from it has the same pixels as text laid out afresh; it is drawn from
// it only where that holds (raster painting moved by whole pixels, left-to-right text without
// control characters) and laid out as usual elsewhere. A view owns one, hands it to its painters
// in their DrawStyle and keeps it as long as itself; it is used from the view's thread only.
class TextCache {
public:
    TextCache();
    ~TextCache();
    TextCache(const TextCache&) = delete;
    TextCache& operator=(const TextCache&) = delete;

    struct FontTexts;
    struct LaidOut;
    // The entry of the painter's font on the painter's device.
    FontTexts& fontOf(const QPainter& p);

    // A piece drawn once into an image (see piece()): where the image lies from the point the
    // piece is drawn at, and whether it holds the drawing exactly.
    struct Piece {
        PieceKey key{};
        QImage image;
        QPoint offset;
        bool exact = false;
    };
    const Piece* findPiece(const PieceKey& key) const;
    const Piece& makePiece(const PieceKey& key, QSize size, int room,
                           const std::function<void(QPainter&, QPoint)>& draw);

private:
    std::vector<std::unique_ptr<FontTexts>> fonts_;
    std::vector<Piece> pieces_;
};

// The painter's font, taken once for the many texts a painter draws in it (the columns of a
// row): looked up in the cache once instead of for every text, and each text looked up once
// for its width and its drawing. Without a cache the texts are measured and drawn afresh.
// Valid while the painter keeps its device, transform and layout direction.
class TextFont {
public:
    TextFont(const QPainter& p, TextCache* cache);

    // A text in the font: its width, and its layout where the cache keeps one. Valid until
    // the next text() or made() of the same font in the same cache.
    struct Text {
        QString string;
        int width = 0;
        TextCache::LaidOut* laidOut = nullptr;
    };
    Text text(const QString& string) const;
    // The text that the caller's key stands for, made by make() only where the cache does not
    // hold it yet: texts that rows make from numbers again and again are then found by their
    // number, neither made nor hashed anew. In a cache a key stands for one text as long as the
    // program's formats (short date, decimal separator) stay as they are.
    template <typename Make> Text made(quint64 key, Make&& make) const {
        Text found;
        if (findMade(key, found))
            return found;
        return remember(key, make());
    }
    int height() const { return height_; }
    // Draws the text with its top-left corner at (x, y) in the painter's pen, with the pixels
    // of canvas::text(). Where the text is drawn afresh, the painter is set to this font first.
    void draw(QPainter& p, int x, int y, const Text& text) const;
    // The same on a plain area: where the cache knows where the text's pixels fall and they fall
    // on parts of the area still plain, the text is copied with the area's colour around it from
    // an image made once per pen and colour, instead of blending every glyph anew (the same
    // pixels). The area learns what the text covered.
    void draw(QPainter& p, int x, int y, const Text& text, PlainArea& on) const;
    // The pixels the text covers at (x, y), where the cache knows them.
    std::optional<QRect> inkAt(const QPainter& p, int x, int y, const Text& text) const;

private:
    bool findMade(quint64 key, Text& found) const;
    Text remember(quint64 key, const QString& string) const;

    QFont font_; // as the painter held it, resolved for the device
    QFontMetrics metrics_;
    TextCache::FontTexts* cached_ = nullptr;
    bool drawsRuns_ = false; // whether the painter draws glyph runs as drawText would
    int ascent_ = 0;
    int height_ = 0;
};

// Text with its top-left corner at (x, y) in the painter's font.
void text(QPainter& p, int x, int y, const QString& text, const QColor& colour,
          TextCache* cache = nullptr);
// Like text(), on a background of the text's own box (opaque text).
void opaqueText(QPainter& p, int x, int y, const QString& text, const QColor& colour,
                const QColor& background, TextCache* cache = nullptr);
// Width and height of the text in the painter's font.
int textWidth(const QPainter& p, const QString& text, TextCache* cache = nullptr);
int textHeight(const QPainter& p, TextCache* cache = nullptr);

// Whether an image holds the colour exactly: of 8 bits a channel (as QRgb gives it).
bool ofEightBits(const QColor& colour);
// Whether an image drawn by the painter lands pixel for pixel as drawn: raster painting moved
// by whole pixels, opaque, drawn over what lies under it.
bool blitsAsDrawn(const QPainter& p);

// Draws a piece that rows draw again and again (a mark, a row's background): draw(p, at) paints
// it with its top-left corner at `at`, within `size` or up to `room` pixels past it. With a
// cache and a painter that lands images as drawn, the piece is drawn from an image of it made
// once, unless that image cannot hold the drawing exactly (pixels covered in part, a drawing
// reaching past its room); the caller draws in colours of 8 bits a channel. Returns the pixels
// the image covered, nullopt where the piece was drawn as usual.
template <typename Draw>
std::optional<QRect> piece(QPainter& p, QPoint at, TextCache* cache, const PieceKey& key,
                           QSize size, int room, Draw&& draw) {
    if (cache && blitsAsDrawn(p)) {
        const TextCache::Piece* made = cache->findPiece(key);
        if (!made)
            made = &cache->makePiece(key, size, room, draw);
        if (made->exact) {
            p.drawImage(at + made->offset, made->image);
            return QRect(at + made->offset, made->image.size());
        }
    }
    draw(p, at);
    return std::nullopt;
}

} // namespace canvas
