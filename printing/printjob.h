#pragma once

#include "printing/printlayout.h"

#include <QString>
#include <functional>

class QPageLayout;
class QPainter;
class QPrinter;

// The printable area of the printer's current paper and orientation, in whole millimetres.
struct PrintableArea {
    int widthMm = 0;
    int heightMm = 0;
};
PrintableArea printableArea(const QPrinter& printer);
PrintableArea printableArea(const QPageLayout& layout);

// How a printer page is divided: the usable width and height in layout units (the printable
// area less 40 mm each way) and the number of tests below the head row.
struct PageFrame {
    int W = 0;
    int H = 0;
    int testsPerPage = 0;
};
PageFrame pageFrame(const PrintableArea& area);

// The printable height below which not one test fits on a page.
constexpr int MinimumPrintableHeightMm = 61;

// The page frame of the printer's paper; raises AppError when not one test fits on a page.
PageFrame usablePageFrame(const QPrinter& printer);

// Puts the painter of a begun printer document into the 0.1 mm mapping in which pages are
// drawn: one layout unit is 0.1 mm, the origin is the printable area's top-left corner and y
// runs down the page, so that texts come out upright. Set once; it holds for every page.
void beginLowMetricPage(QPainter& painter, const QPrinter& printer);

// The number of pages of a document on pages of usable height H with testsPerPage tests below
// a page's head row, and the drawing of page `index` (0-based) on a page frame.
using PageCountOf = std::function<int(int H, int testsPerPage)>;
using DrawPageAt = std::function<void(QPainter& painter, int index, const PageFrame& frame)>;

// Prints a document of pageCount() pages, each drawn by drawPage() in the 0.1 mm mapping, with
// the printer's copy count and orientation. A file target is written as by printTests(); raises
// and aborts like it. Returns the number of pages; 0 and nothing printed when there are none.
int printPages(QPrinter& printer, const PageCountOf& pageCount, const DrawPageAt& drawPage);

// Prints the N tests of a subject on as many pages as needed: page p + 1 holds the tests
// p * R .. (p + 1) * R - 1 below the head row, 20 mm from the printable area's left and top
// edges; the copy count and orientation are the printer's. Returns the number of pages.
//
// A printer that sets an output file (a PDF file) gets the file only when the whole document
// was written: the pages go to a hidden file beside it, which then replaces it in one step.
//
// Raises AppError and prints nothing when a page holds no test (printable height under
// 61 mm) or the document cannot be begun. When a test cannot be read the document is aborted
// and closed (a later job finds the printer free), a file target is left as it was, and the
// test's error is raised.
int printTests(QPrinter& printer, const QString& title, int N, const PrintLayoutOptions& options,
               const PrintTestAt& testAt);

// True when the printer writes a PDF file instead of going to a printer: the only target on a
// machine without printers, or the file chosen in the print dialog.
bool printsToPdfFile(const QPrinter& printer);

// The name the dialog shows for the printer: its own name, or "PDF-Datei" for the PDF target,
// followed by the chosen file's name in brackets once there is one.
QString printerDisplayName(const QPrinter& printer);

// "<folder>/<subject>.pdf", with the characters a file name cannot hold ('/', '\', ':', '*',
// '?', '"', '<', '>', '|' and control characters) replaced by '_'.
QString proposedPdfFileName(const QString& folder, const QString& subject);
