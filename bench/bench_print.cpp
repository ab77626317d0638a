// Measures printing a subject of 1,000 tests into a PDF file through the real QPrinter path
// (the print dialog's own call: page setup, the 0.1 mm mapping, every page drawn, the file
// handed over whole) against drawing the same pages into images of the same resolution: one
// device pixel per layout unit, each page cleared to white first. Target: at most 2 times.
// The tests are those of a generated data file, read as the grade book reads them.
// Usage: bench_print [tests] [repetitions]

#include "bench/generator.h"
#include "bench/measure.h"
#include "gradedata/classtest.h"
#include "gradedata/inistore.h"
#include "platform/localeformats.h"
#include "printing/printjob.h"
#include "printing/printlayout.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>

namespace {

int argument(const QStringList& arguments, int index, int fallback) {
    bool ok = false;
    const int value = index < arguments.size() ? arguments.at(index).toInt(&ok) : 0;
    return ok && value > 0 ? value : fallback;
}

// The printer as the dialog uses it on a machine without printers: the PDF target, A4 in
// landscape (the "Diagramm" default) with the default margins.
void setUpPrinter(QPrinter& printer, const QString& fileName) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Zensoria - Mathematik"));
}

// The pages printTests draws, drawn into one image per page of the printable area's size at
// one pixel per layout unit: the same calls with the same arguments, on a raster device.
int drawPagesIntoImages(QImage& image, const PrintableArea& area, const QString& title, int N,
                        const PrintLayoutOptions& options, const PrintTestAt& testAt) {
    const PageFrame frame = pageFrame(area);
    const int R = frame.testsPerPage;
    int pages = 0;
    for (int p = 0; p * R < N; ++p) {
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawPrintPage(painter, title, p + 1, PrintLayout::PageOffset, PrintLayout::PageOffset,
                      frame.W, N, p * R, (p + 1) * R - 1, true, options, testAt);
        ++pages;
    }
    return pages;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int N = argument(arguments, 1, 1000);
    const int repetitions = argument(arguments, 2, 5);
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));

    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const QString dataFile = dir.filePath(QStringLiteral("noten.plx"));
    const QString subject = generateDataFile(dataFile, 1, N).value(0);
    QList<TestRow> rows;
    loadSubjectRows(IniStore(dataFile), subject, rows);
    QList<ClassTest> tests;
    for (const TestRow& row : std::as_const(rows))
        tests.append(row.test);
    if (tests.size() != N) {
        std::printf("read %lld tests, expected %d\n", qlonglong(tests.size()), N);
        return 2;
    }
    const PrintTestAt testAt = [&tests](int index) { return tests.at(index); };
    const QString title = PrintTitle(dataFile, subject);

    // The dialog's defaults, and everything on that costs drawing: tints, colours, rings.
    PrintLayoutOptions defaults;
    PrintLayoutOptions everything;
    everything.ColouredColumns = everything.ColouredDiagram = everything.MarkOwnGrade = true;

    const QString pdfFile = dir.filePath(QStringLiteral("Mathematik.pdf"));
    QPrinter probe(QPrinter::HighResolution);
    setUpPrinter(probe, pdfFile);
    const PrintableArea area = printableArea(probe);
    // One pixel per layout unit: the resolution printTests gives the printer.
    QImage image(area.widthMm * 10, area.heightMm * 10, QImage::Format_RGB32);
    std::printf("%d tests, printable area %d x %d mm, image %d x %d px, %d repetitions\n", N,
                area.widthMm, area.heightMm, image.width(), image.height(), repetitions);
#if !defined(__OPTIMIZE__) || defined(__SANITIZE_ADDRESS__)
    std::printf("note: unoptimised or sanitised build; build with -DCMAKE_BUILD_TYPE=Release "
                "for the figures that count\n");
#endif

    bool met = true;
    for (const auto& [name, options] :
         {std::pair{"defaults", defaults}, std::pair{"colours and own grades", everything}}) {
        std::vector<double> printing, imaging;
        int printedPages = 0, imagePages = 0;
        qint64 bytes = 0;
        for (int r = 0; r < repetitions; ++r) {
            imaging.push_back(milliseconds(
                [&] { imagePages = drawPagesIntoImages(image, area, title, N, options, testAt); }));
            printing.push_back(milliseconds([&] {
                QPrinter printer(QPrinter::HighResolution);
                setUpPrinter(printer, pdfFile);
                printedPages = printTests(printer, title, N, options, testAt);
            }));
            bytes = QFileInfo(pdfFile).size();
        }
        if (printedPages != imagePages || bytes <= 0) {
            std::printf("%s: printed %d pages (%lld bytes), drew %d images\n", name, printedPages,
                        qlonglong(bytes), imagePages);
            return 2;
        }
        const double ratio = median(printing) / median(imaging);
        met = met && ratio <= 2;
        std::printf("%-24s PDF %9.2f ms (%d pages, %lld KB)  images %9.2f ms  ratio %5.2f  "
                    "(at most 2) %s\n",
                    name, median(printing), printedPages, qlonglong(bytes / 1024), median(imaging),
                    ratio, ratio <= 2 ? "" : "OVER");
    }
    return met ? 0 : 1;
}
