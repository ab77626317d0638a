#include "printing/printlayout.h"

#include "gradedata/formats.h"
#include "stats/gradecolours.h"
#include "stats/statistics.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

namespace {

// Pen width 0 is Qt's cosmetic pen: one device pixel, the thinnest line the device draws.
constexpr int Thinnest = 0;

const QColor Black(Qt::black);
const QColor White(Qt::white);
const QColor MarkRed(0xFF0000);

// Column groups, relative to L.
constexpr int DateLeft = 500, GradesLeft = 810, ParticipantsLeft = 1440, AverageLeft = 1630,
              AverageRight = 1748, DiagramLeft = 1760;
constexpr int ParticipantsCentre = 1535, AverageCentre = 1689;
constexpr int gradeCentre(int grade) {
    return 850 + 103 * (grade - 1);
}

// Pen widths of the lines that differ between paper and preview.
struct PenWidths {
    int columnLines, rowLines, whiteMarkOutline;
};
constexpr PenWidths PrinterPens{Thinnest, 2, Thinnest};
constexpr PenWidths PreviewPens{3, 3, 3};
constexpr int RedMarkOutline = Thinnest, AverageSignPen = 8, DiagramPen = 2;

// Drawing in layout units: rectangles are left, top, right, bottom with right and bottom
// exclusive; texts are placed by their top-left corner.
class Page {
public:
    Page(QPainter& p, int left) : p_(p), L_(left) {}

    void fill(int l, int t, int r, int b, const QColor& colour) {
        if (r > l && b > t)
            p_.fillRect(QRect(L_ + l, t, r - l, b - t), colour);
    }
    void line(int x1, int y1, int x2, int y2, int width) {
        p_.setPen(QPen(Black, width, Qt::SolidLine, Qt::FlatCap));
        p_.drawLine(QPoint(L_ + x1, y1), QPoint(L_ + x2, y2));
    }
    void outline(int l, int t, int r, int b, int width) {
        p_.setPen(QPen(Black, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(QRect(L_ + l, t, r - l - 1, b - t - 1));
    }
    void ellipse(int l, int t, int r, int b, const QBrush& brush, int outlineWidth) {
        p_.setPen(QPen(Black, outlineWidth));
        p_.setBrush(brush);
        p_.drawEllipse(QRect(L_ + l, t, r - l - 1, b - t - 1));
        p_.setBrush(Qt::NoBrush);
    }
    void text(int x, int top, const QString& s, const QColor& colour = Black) {
        p_.setPen(colour);
        p_.drawText(QPointF(L_ + x, top + p_.fontMetrics().ascent()), s);
    }
    // Centred on x horizontally, with its top at the given line.
    void centredText(int x, int top, const QString& s, const QColor& colour = Black) {
        text(x - TW(s) / 2, top, s, colour);
    }
    int TW(const QString& s) const { return p_.fontMetrics().horizontalAdvance(s); }
    int TH() const { return p_.fontMetrics().height(); }
    void setFont(const QFont& font) { p_.setFont(font); }

private:
    QPainter& p_;
    int L_;
};

void resetCanvas(QPainter& p, const QFont& regular) {
    p.setFont(regular);
    p.setPen(QPen(Black, Thinnest));
    p.setBrush(Qt::NoBrush);
    p.setBackgroundMode(Qt::TransparentMode);
}

void drawHeadRow(Page& page, int y0, int W, const PrintLayoutOptions& options) {
    const int cy = y0 + PrintLayout::RowHeight / 2;
    const int middle = cy - page.TH() / 2;
    page.text(2, middle, QStringLiteral("Klassenarbeit"));
    page.text(DateLeft + 2, middle, QStringLiteral("Datum"));
    for (int g = 1; g <= 6; ++g)
        page.centredText(gradeCentre(g), middle, QString::number(g));
    page.centredText(ParticipantsCentre, cy - page.TH(), QStringLiteral("Teil-"));
    page.centredText(ParticipantsCentre, cy, QStringLiteral("nehmer"));
    // The average sign: a circle crossed from lower left to upper right.
    page.ellipse(1649, y0 + 13, 1729 + 1, y0 + 93 + 1, Qt::NoBrush, AverageSignPen);
    page.line(1649, y0 + 93, 1729, y0 + 13, AverageSignPen);
    if (options.ShowDiagram)
        page.centredText(1680 + (W - 1680) / 2, middle, QStringLiteral("Diagramm"));
}

void drawTestRow(Page& page, const ClassTest& test, int y0, int W, const QFont& regular,
                 const QFont& bold, const PrintLayoutOptions& options, const PenWidths& pens) {
    const int cy = y0 + PrintLayout::RowHeight / 2;
    const int start = academicYearStart(test.date);
    page.text(2, cy - page.TH(),
              QStringLiteral("%1. Klasse (%2/%3)").arg(test.gradeLevel).arg(start).arg(start + 1));
    page.text(2, cy, QString::number(test.number) + QStringLiteral(". Arbeit"));
    page.text(DateLeft + 2, cy - page.TH(), ShortDateText(test.date));
    page.text(DateLeft + 2, cy, QString::number(test.lesson) + QStringLiteral(". Schulstunde"));

    for (int g = 1; g <= 6; ++g) {
        const int cx = gradeCentre(g);
        const QString count = QString::number(test.counts[g - 1]);
        QColor colour = Black;
        if (options.MarkOwnGrade && test.ownGrade == g) {
            page.setFont(bold);
            const int w = page.TW(count), h = page.TH();
            const bool red = options.ColouredColumns;
            page.ellipse(cx - w / 2 - 5, cy - h / 2 - 3, cx + w / 2 + 5, cy + h / 2 + 4,
                         red ? MarkRed : White, red ? RedMarkOutline : pens.whiteMarkOutline);
            colour = red ? White : Black;
        }
        page.centredText(cx, cy - page.TH() / 2, count, colour);
        page.setFont(regular);
    }
    page.centredText(ParticipantsCentre, cy - page.TH() / 2,
                     QString::number(Participants(test.counts)));
    page.setFont(bold);
    page.centredText(AverageCentre, cy - page.TH() / 2, TestAverageText(test.counts));

    if (!options.ShowDiagram)
        return;
    // The stacked bar: each grade takes its share of the width still left, so the last
    // non-empty segment ends at the frame's right edge whatever the truncation.
    const int top = y0 + 13, bottom = y0 + 91;
    page.outline(DiagramLeft, top, W - 2, bottom, DiagramPen);
    int x = DiagramLeft + 1;
    for (int g = 1; g <= 6; ++g) {
        page.line(x - 1, top, x - 1, bottom, DiagramPen);
        const int count = test.counts[g - 1];
        const int left = W - 2 - x;
        const int length = barWidth(
            static_cast<long double>(count) / RemainingSum(test.counts, g, 6) * left, left);
        page.fill(x - 1, top + 1, x - 1 + length, bottom - 1,
                  gradeBarColour(g, options.ColouredDiagram));
        const QString label = QString::number(count);
        if (options.BarLabels && page.TW(label) < length)
            page.centredText(x + length / 2, cy - page.TH() / 2, label,
                             gradeLabelColour(g, options.ColouredDiagram));
        x += length;
    }
}

} // namespace

int PrintLayout::testsPerPage(int usableHeight) {
    return usableHeight / RowHeight - 1;
}

QFont printFont(int cellHeight, bool bold, bool italic) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    font.setItalic(italic);
    // Sized by the cell height (ascent + descent), not by the em.
    font.setPixelSize(cellHeight);
    const QFontMetricsF metrics(font);
    const qreal cell = metrics.ascent() + metrics.descent();
    if (cell > 0)
        font.setPixelSize(std::max(1, qRound(cellHeight * cellHeight / cell)));
    return font;
}

QString fitPrintTitle(const QString& title, int maxWidth,
                      const std::function<int(const QString&)>& width) {
    if (width(title) <= maxWidth)
        return title;
    // The data file's path lies between the leading "[" and the last "] - " (a subject's name
    // holds no "]"); it loses characters from its middle until the title fits or nothing but
    // "…" is left of it.
    const qsizetype pathEnd = title.lastIndexOf(QStringLiteral("] - "));
    if (!title.startsWith(u'[') || pathEnd < 1)
        return title;
    const QString path = title.mid(1, pathEnd - 1);
    const QString rest = title.mid(pathEnd);
    const auto shortened = [&](qsizetype keep) {
        const qsizetype head = (keep + 1) / 2;
        return QStringLiteral("[") + path.left(head) + QStringLiteral("…") +
               path.right(keep - head) + rest;
    };
    // The most characters kept that still fit, found by halving.
    qsizetype low = 0, high = path.size() - 1;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (width(shortened(middle)) <= maxWidth)
            low = middle;
        else
            high = middle - 1;
    }
    return shortened(low);
}

void drawPrintHeader(QPainter& canvas, const QString& title, const QString& pageText, int L, int T,
                     int W) {
    // Every page begins from the layout's canvas state, whatever the device kept from before: a
    // printer keeps its paint engine from one job to the next, and the engine may still hold the
    // text colour that the last job drew with (a white bar label), while a new painter takes
    // itself for black and would not hand black over again.
    if (QPaintEngine* engine = canvas.paintEngine(); engine && !engine->isExtended())
        engine->setDirty(QPaintEngine::DirtyPen | QPaintEngine::DirtyBrush |
                         QPaintEngine::DirtyBackground | QPaintEngine::DirtyBackgroundMode |
                         QPaintEngine::DirtyFont);
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setBackgroundMode(Qt::TransparentMode);
    if (title.isEmpty())
        return;
    Page page(canvas, L);
    const QFont titleFont = printFont(PrintLayout::TitleCellHeight, true, true);
    const QFont numberFont = printFont(PrintLayout::TitleCellHeight, false);
    page.setFont(numberFont);
    const int numberWidth = page.TW(pageText);
    page.setFont(titleFont);
    // The title ends a cell height before the page number.
    const QString fitted = fitPrintTitle(title, W - numberWidth - PrintLayout::TitleCellHeight,
                                         [&page](const QString& s) { return page.TW(s); });
    const int top = T - 10 - page.TH();
    page.text(0, top, fitted);
    page.setFont(numberFont);
    page.text(W - numberWidth, top, pageText);
}

void DrawPrintPage(QPainter& canvas, const QString& title, int pageNumber, int L, int T, int W,
                   int N, int first, int last, bool YAxisUp, const PrintLayoutOptions& options,
                   const PrintTestAt& testAt) {
    drawPrintPageWithHeader(canvas, title, QStringLiteral("Seite %1").arg(pageNumber), L, T, W, N,
                            first, last, YAxisUp, options, testAt);
}

void drawPrintPageWithHeader(QPainter& canvas, const QString& title, const QString& pageText, int L,
                             int T, int W, int N, int first, int last, bool YAxisUp,
                             const PrintLayoutOptions& options, const PrintTestAt& testAt) {
    const PenWidths& pens = YAxisUp ? PrinterPens : PreviewPens;
    const QFont regular = printFont(PrintLayout::TableCellHeight, false);
    const QFont bold = printFont(PrintLayout::TableCellHeight, true);
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setBackgroundMode(Qt::TransparentMode);
    Page page(canvas, L);

    drawPrintHeader(canvas, title, pageText, L, T, W);
    resetCanvas(canvas, regular);

    for (int e = first - 1; e <= last && e < N; ++e) {
        const bool headRow = e == first - 1;
        const int y0 = T + 1 + PrintLayout::RowHeight * (e - first + 1);
        const int y1 = y0 + PrintLayout::RowHeight;
        ClassTest test;
        if (!headRow)
            test = testAt(e);

        if (options.ColouredColumns) {
            page.fill(0, y0, DateLeft, y1, QColor(0xFFFFD5));
            page.fill(DateLeft, y0, GradesLeft, y1, QColor(0xD5FFD5));
            page.fill(ParticipantsLeft, y0, AverageLeft, y1, QColor(0xD5D5FF));
            page.fill(AverageLeft, y0, AverageRight, y1, QColor(0xFFD5D5));
        }
        if (options.ColumnLines) {
            for (int x : {DateLeft, GradesLeft, ParticipantsLeft, AverageLeft})
                page.line(x, y0, x, y1, pens.columnLines);
            if (options.ShowDiagram)
                page.line(AverageRight, y0, AverageRight, y1, pens.columnLines);
        }
        // The row in the page's last slot has none: the page ends there.
        if (options.RowLines && e < last)
            page.line(0, y0 + 102, options.ShowDiagram ? W : AverageRight, y0 + 102, pens.rowLines);

        if (headRow) {
            page.setFont(bold);
            drawHeadRow(page, y0, W, options);
        } else {
            drawTestRow(page, test, y0, W, regular, bold, options, pens);
        }
        resetCanvas(canvas, regular);
    }
}

QString PrintTitle(const QString& dataFileName, const QString& subject) {
    return QStringLiteral("[") + dataFileName + QStringLiteral("] - ") + subject;
}

void drawPreviewPage(QImage& image, const QString& title, int N, const PrintLayoutOptions& options,
                     const PrintTestAt& testAt) {
    using namespace PrintLayout;
    if (image.size() != QSize(PreviewWidth, PreviewHeight) ||
        image.format() != QImage::Format_RGB32)
        image = QImage(PreviewWidth, PreviewHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const int rows = testsPerPage(PreviewHeight);
    DrawPrintPage(painter, title, 1, PreviewOffset, PreviewOffset, PreviewWidth - 2 * PreviewOffset,
                  N, 0, rows - 1, false, options, testAt);
}
