#include "printing/schoolyearreport.h"

#include "gradedata/formats.h"
#include "overview/overviewchart.h"
#include "overview/overviewtablemodel.h"
#include "printing/printjob.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

// Space between two figure columns of the overview table, in layout units.
constexpr int ColumnGap = 60;

int ceilDiv(int a, int b) {
    return (a + b - 1) / b;
}

} // namespace

SchoolYearReport::SchoolYearReport(const SubjectOverview& overview, SchoolYear year,
                                   const QString& dataFileName, const QDate& printed)
    : fileName_(QFileInfo(dataFileName).fileName()), year_(year), printed_(printed),
      rows_(overview.rows(year)) {
    for (const SubjectOverview::Subject& subject : overview.subjects()) {
        QList<ClassTest> tests = overview.testsOf(subject, year);
        if (!tests.isEmpty())
            subjects_.append({subject.name, std::move(tests)});
    }
}

QString SchoolYearReport::overviewTitle() const {
    return PrintTitle(fileName_, QStringLiteral("Übersicht ") +
                                     (year_ ? QStringLiteral("Schuljahr ") + schoolYearText(year_)
                                            : schoolYearText(year_)));
}

QList<SchoolYearReport::OverviewPage> SchoolYearReport::overviewPages(int rowCount, int H) {
    // The head row takes the first slot of every page.
    const int perPage = std::max(1, H / OverviewRowHeight - 1);
    QList<OverviewPage> pages;
    int first = 0;
    do {
        const int last = std::min(rowCount, first + perPage) - 1;
        pages.append({first, last, false});
        first = last + 1;
    } while (first < rowCount);
    const int used = (pages.last().last - pages.last().first + 2) * OverviewRowHeight;
    if (H - used >= ChartMinimumHeight)
        pages.last().chart = true;
    else
        pages.append({rowCount, rowCount - 1, true});
    return pages;
}

int SchoolYearReport::pageCount(int H, int testsPerPage) const {
    if (subjects_.isEmpty() || testsPerPage < 1)
        return 0;
    int count = int(overviewPages(int(rows_.size()), H).size());
    for (const SubjectPages& subject : subjects_)
        count += ceilDiv(int(subject.tests.size()), testsPerPage);
    return count;
}

QString SchoolYearReport::pageText(int index, int count) const {
    return QStringLiteral("Gedruckt am %1, Seite %2 von %3")
        .arg(ShortDateText(printed_))
        .arg(index + 1)
        .arg(count);
}

void SchoolYearReport::drawPage(QPainter& canvas, int index, int count, int L, int T, int W, int H,
                                int testsPerPage, bool YAxisUp,
                                const PrintLayoutOptions& options) const {
    const QList<OverviewPage> overview = overviewPages(int(rows_.size()), H);
    const QString text = pageText(index, count);
    if (index < overview.size()) {
        drawPrintHeader(canvas, overviewTitle(), text, L, T, W);
        drawOverviewPage(canvas, overview.at(index), L, T, W, H, YAxisUp);
        return;
    }
    int page = index - int(overview.size());
    for (const SubjectPages& subject : subjects_) {
        const int pages = ceilDiv(int(subject.tests.size()), testsPerPage);
        if (page < pages) {
            const QList<ClassTest>& tests = subject.tests;
            drawPrintPageWithHeader(canvas, PrintTitle(fileName_, subject.subject), text, L, T, W,
                                    int(tests.size()), page * testsPerPage,
                                    (page + 1) * testsPerPage - 1, YAxisUp, options,
                                    [&tests](int i) { return tests.at(i); });
            return;
        }
        page -= pages;
    }
}

void SchoolYearReport::drawOverviewPage(QPainter& canvas, const OverviewPage& page, int L, int T,
                                        int W, int H, bool YAxisUp) const {
    const QFont regular = printFont(PrintLayout::TableCellHeight, false);
    const QFont bold = printFont(PrintLayout::TableCellHeight, true);
    const int thin = YAxisUp ? 0 : 3;
    // The figure columns take the width of their widest text from the right edge leftwards;
    // the subject's name has the rest.
    QStringList head;
    for (int c = 0; c < OverviewTableModel::ColumnCount; ++c)
        head.append(OverviewTableModel::caption(OverviewTableModel::Column(c)));
    QList<int> right(OverviewTableModel::ColumnCount, W);
    {
        const QFontMetrics boldMetrics(bold, canvas.device());
        const QFontMetrics regularMetrics(regular, canvas.device());
        for (int c = OverviewTableModel::ColumnCount - 1; c > 0; --c) {
            int width = boldMetrics.horizontalAdvance(head.at(c));
            for (const OverviewRow& row : rows_)
                width =
                    std::max(width, regularMetrics.horizontalAdvance(OverviewTableModel::cellText(
                                        row, OverviewTableModel::Column(c))));
            right[c - 1] = right[c] - width - ColumnGap;
        }
    }
    const auto rightOf = [&right](int column) { return right[column]; };
    const auto drawRow = [&](int y0, const QStringList& cells) {
        const int top = y0 + (OverviewRowHeight - canvas.fontMetrics().height()) / 2;
        const int ascent = canvas.fontMetrics().ascent();
        canvas.drawText(QPoint(L + 2, top + ascent), cells.at(0));
        for (int c = 1; c < OverviewTableModel::ColumnCount; ++c) {
            const int width = canvas.fontMetrics().horizontalAdvance(cells.at(c));
            canvas.drawText(QPoint(L + rightOf(c) - 10 - width, top + ascent), cells.at(c));
        }
    };
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setPen(QPen(Qt::black, thin));
    canvas.setBrush(Qt::NoBrush);

    int y = T + 1;
    if (page.last >= page.first) {
        canvas.setFont(bold);
        drawRow(y, head);
        y += OverviewRowHeight;
        canvas.drawLine(L, y - 2, L + W, y - 2);
        canvas.setFont(regular);
        for (int r = page.first; r <= page.last; ++r) {
            QStringList cells;
            for (int c = 0; c < OverviewTableModel::ColumnCount; ++c)
                cells.append(
                    OverviewTableModel::cellText(rows_.at(r), OverviewTableModel::Column(c)));
            drawRow(y, cells);
            y += OverviewRowHeight;
            canvas.drawLine(L, y - 2, L + W, y - 2);
        }
        y += OverviewRowHeight / 2;
    }
    if (page.chart) {
        const QRect area(L, y, W, std::max(0, T + H - y));
        drawOverviewChart(canvas, area, rows_, printFont(PrintLayout::TitleCellHeight, false),
                          YAxisUp ? 2 : 3);
    }
    canvas.setFont(regular);
    canvas.setPen(QPen(Qt::black, 0));
    canvas.setBrush(Qt::NoBrush);
}

int printSchoolYearReport(QPrinter& printer, const SchoolYearReport& report,
                          const PrintLayoutOptions& options) {
    return printPages(
        printer, [&](int H, int testsPerPage) { return report.pageCount(H, testsPerPage); },
        [&](QPainter& painter, int index, const PageFrame& frame) {
            report.drawPage(painter, index, report.pageCount(frame.H, frame.testsPerPage),
                            PrintLayout::PageOffset, PrintLayout::PageOffset, frame.W, frame.H,
                            frame.testsPerPage, true, options);
        });
}
