#pragma once

#include "gradedata/classtest.h"

#include <QString>
#include <functional>

class QPainter;

// The seven switches of the page layout, offered by the print dialog's option tree.
struct PrintLayoutOptions {
    bool ColumnLines = true;      // "Spalten": vertical lines between the column groups
    bool RowLines = true;         // "Zeilen": a line under the rows
    bool ColouredColumns = false; // "Farbige Spalten": tinted columns, own grade filled red
    bool ColouredDiagram = false; // "Farbiges Diagramm": coloured instead of grey bars
    bool ShowDiagram = true;      // "Diagramm": bar column, row lines to the full width
    bool BarLabels = true;        // "Diagrammbeschriftung": counts inside the bar segments
    bool MarkOwnGrade = false;    // "Eigene Zensuren": ring around the own grade's count

    bool operator==(const PrintLayoutOptions&) const = default;
};

// The test at an index of the subject's test list (0 .. N-1, in list order). It may raise
// AppError for a damaged entry; the page then ends there and the error reaches the caller.
using PrintTestAt = std::function<ClassTest(int index)>;

// Layout units: one unit is 0.1 mm on paper and one pixel in the preview image. The cell
// heights of the page's fonts and the rows' height are fixed in these units.
namespace PrintLayout {
constexpr int RowHeight = 104;
constexpr int TitleCellHeight = 40;
constexpr int TableCellHeight = 50;
// Distance of the table from the printable area's left and top edges on paper (20 mm), and
// the margins taken off the printable width and height (40 mm).
constexpr int PageOffset = 200;
constexpr int PageMargins = 400;
// The preview image and where the page lies in it.
constexpr int PreviewWidth = 2400;
constexpr int PreviewHeight = 721;
constexpr int PreviewOffset = 100;
// The head row's slot: the tests of a page are the slots left below it.
int testsPerPage(int usableHeight);
} // namespace PrintLayout

// "Arial" whose cell height (ascent + descent) is cellHeight layout units.
QFont printFont(int cellHeight, bool bold, bool italic = false);

// Draws one page of a subject's tests: the header line (title left, "Seite <n>" right; none
// when the title is empty) above the table at (L, T), the head row and the tests first ..
// last that exist (e < N), each 104 units high, on a usable width W.
//
// The painter works in layout units with y pointing down on the page or image. YAxisUp is set
// for a printer page: the printer's 0.1 mm mapping has its y axis pointing up from the
// printable area's top-left corner, which beginLowMetricPage() turns into the painter's
// transform once per document, so this function draws the same picture on paper as in the
// preview, texts upright; the flag only picks the printer's pen widths.
//
// A test that cannot be read ends the page with its error; what was drawn stays. After every
// row the painter is reset to: regular font, black text, white brush, thinnest black pen,
// transparent brush.
void DrawPrintPage(QPainter& canvas, const QString& title, int pageNumber, int L, int T, int W,
                   int N, int first, int last, bool YAxisUp, const PrintLayoutOptions& options,
                   const PrintTestAt& testAt);

// DrawPrintPage with pageText at the right end of the header line instead of "Seite <n>".
void drawPrintPageWithHeader(QPainter& canvas, const QString& title, const QString& pageText, int L,
                             int T, int W, int N, int first, int last, bool YAxisUp,
                             const PrintLayoutOptions& options, const PrintTestAt& testAt);

// The header line alone: the title with its left edge at L and pageText ending at L + W, both
// with their bottom 10 units above T; nothing when the title is empty. A title that would
// reach the page text is shortened (see fitPrintTitle).
void drawPrintHeader(QPainter& canvas, const QString& title, const QString& pageText, int L, int T,
                     int W);

// The title as it fits into maxWidth by the given text width: unchanged when it fits;
// otherwise the data file's path between "[" and "] - " loses characters from its middle,
// replaced by one "…", so that the subject's name stays whole.
QString fitPrintTitle(const QString& title, int maxWidth,
                      const std::function<int(const QString&)>& width);

// "[<data file>] - <subject>": the title of the preview and of every printed page.
QString PrintTitle(const QString& dataFileName, const QString& subject);

// Page 1 as the print dialog shows it: the image made 2400 x 721 and white, the header line,
// the head row and at most the first five tests, at L = T = 100 on a width of 2200.
void drawPreviewPage(QImage& image, const QString& title, int N, const PrintLayoutOptions& options,
                     const PrintTestAt& testAt);
