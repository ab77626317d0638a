#include "printing/printjob.h"

#include "platform/apperror.h"
#include "platform/atomicfile.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cmath>
#include <filesystem>

namespace {

// One layout unit is 0.1 mm: 254 units per inch.
constexpr int LayoutUnitsPerInch = 254;

int wholeMillimetres(qreal mm) {
    // Margins converted through points come back a hair under the whole millimetre.
    return int(std::floor(mm + 0.01));
}

// Where the document goes while it is written, when the printer writes a file: a hidden file
// in the target's folder, renamed over the target once the document is complete. The target
// never holds half a document, and an existing file stays until the new one is whole.
class FileTarget {
public:
    explicit FileTarget(QPrinter& printer) : printer_(printer), target_(printer.outputFileName()) {
        if (target_.isEmpty())
            return;
        const QFileInfo info(target_);
        part_.setFileTemplate(info.absoluteDir().filePath(
            QStringLiteral(".%1-XXXXXX.part").arg(info.completeBaseName())));
        if (!part_.open())
            throw writeRefused(target_);
        part_.close();
        printer_.setOutputFileName(part_.fileName());
    }
    ~FileTarget() {
        if (!target_.isEmpty())
            printer_.setOutputFileName(target_);
    }
    FileTarget(const FileTarget&) = delete;
    FileTarget& operator=(const FileTarget&) = delete;

    // The file the user chose; empty when the printer does not write a file.
    const QString& target() const { return target_; }

    // The document is complete: it takes the target's place.
    void commit() {
        if (target_.isEmpty())
            return;
        const QFileInfo existing(target_);
        const QFileDevice::Permissions permissions =
            existing.exists()
                ? existing.permissions()
                : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                      QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QFile::setPermissions(part_.fileName(), permissions);
        std::error_code error;
        std::filesystem::rename(part_.fileName().toStdString(), target_.toStdString(), error);
        if (error)
            throw writeRefused(target_);
        part_.setAutoRemove(false);
    }

private:
    QPrinter& printer_;
    QString target_;
    QTemporaryFile part_;
};

} // namespace

PrintableArea printableArea(const QPrinter& printer) {
    return printableArea(printer.pageLayout());
}

PrintableArea printableArea(const QPageLayout& layout) {
    const QRectF paint = layout.paintRect(QPageLayout::Millimeter);
    return {wholeMillimetres(paint.width()), wholeMillimetres(paint.height())};
}

PageFrame pageFrame(const PrintableArea& area) {
    PageFrame frame;
    frame.W = area.widthMm * 10 - PrintLayout::PageMargins;
    frame.H = area.heightMm * 10 - PrintLayout::PageMargins;
    frame.testsPerPage = PrintLayout::testsPerPage(frame.H);
    return frame;
}

void beginLowMetricPage(QPainter& painter, const QPrinter& printer) {
    // The painter's origin is already the printable area's top-left corner, and device y
    // points down the page; only the unit is left to map.
    const qreal scaleX = qreal(printer.logicalDpiX()) / LayoutUnitsPerInch;
    const qreal scaleY = qreal(printer.logicalDpiY()) / LayoutUnitsPerInch;
    painter.setTransform(QTransform::fromScale(scaleX, scaleY));
}

PageFrame usablePageFrame(const QPrinter& printer) {
    const PrintableArea area = printableArea(printer);
    const PageFrame frame = pageFrame(area);
    if (frame.testsPerPage < 1)
        throw AppError(QStringLiteral("Auf einer Seite dieses Druckers ist kein Platz für eine "
                                      "Arbeit: Die bedruckbare Höhe beträgt %1 mm, nötig sind "
                                      "mindestens %2 mm. Bitte wählen Sie unter "
                                      "\"Einstellungen\" ein größeres Papierformat.")
                           .arg(area.heightMm)
                           .arg(MinimumPrintableHeightMm));
    return frame;
}

int printPages(QPrinter& printer, const PageCountOf& pageCount, const DrawPageAt& drawPage) {
    const PageFrame frame = usablePageFrame(printer);
    const int count = pageCount(frame.H, frame.testsPerPage);
    if (count <= 0)
        return 0;

    // One device pixel is one layout unit where the device allows it (PDF and CUPS do);
    // elsewhere the mapping scales.
    printer.setResolution(LayoutUnitsPerInch);
    FileTarget file(printer);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (!file.target().isEmpty())
            throw writeRefused(file.target());
        throw AppError(QStringLiteral("Der Druckauftrag kann nicht begonnen werden."));
    }
    int pages = 0;
    try {
        beginLowMetricPage(painter, printer);
        for (int p = 0; p < count; ++p) {
            if (p > 0 && !printer.newPage())
                throw AppError(QStringLiteral("Der Druckauftrag kann nicht fortgesetzt werden."));
            drawPage(painter, p, frame);
            ++pages;
        }
    } catch (...) {
        // The document is closed in every case, so that the next job finds the printer free;
        // a file target keeps what it held.
        printer.abort();
        painter.end();
        throw;
    }
    if (!painter.end())
        throw writeRefused(file.target());
    file.commit();
    return pages;
}

int printTests(QPrinter& printer, const QString& title, int N, const PrintLayoutOptions& options,
               const PrintTestAt& testAt) {
    return printPages(
        printer, [N](int, int R) { return N > 0 ? (N + R - 1) / R : 0; },
        [&](QPainter& painter, int p, const PageFrame& frame) {
            const int R = frame.testsPerPage;
            DrawPrintPage(painter, title, p + 1, PrintLayout::PageOffset, PrintLayout::PageOffset,
                          frame.W, N, p * R, (p + 1) * R - 1, true, options, testAt);
        });
}

bool printsToPdfFile(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat;
}

QString printerDisplayName(const QPrinter& printer) {
    if (!printsToPdfFile(printer))
        return printer.printerName();
    const QString file = printer.outputFileName();
    if (file.isEmpty())
        return QStringLiteral("PDF-Datei");
    return QStringLiteral("PDF-Datei (%1)").arg(QFileInfo(file).fileName());
}

QString proposedPdfFileName(const QString& folder, const QString& subject) {
    QString name = subject.trimmed();
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    }
    if (name.isEmpty() || name == u"." || name == u"..")
        name = QStringLiteral("Klassenarbeiten");
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}
