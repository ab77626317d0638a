#pragma once

#include "overview/subjectoverview.h"
#include "printing/printlayout.h"

#include <QDate>
#include <QList>
#include <QString>

class QPainter;
class QPrinter;

// The school-year report: first the overview of all subjects (the table of the "Übersicht" and
// its chart), then the tests of every subject of the year on the pages of the subject printout,
// each subject beginning a new page. Every page's header names the data file without its folder
// and says "Gedruckt am <date>, Seite n von m".
class SchoolYearReport {
public:
    SchoolYearReport(const SubjectOverview& overview, SchoolYear year, const QString& dataFileName,
                     const QDate& printed);

    // How the overview's table is spread: the rows first .. last of a page (last < first on a
    // page with only the chart) and whether the chart stands below them.
    struct OverviewPage {
        int first = 0;
        int last = -1;
        bool chart = false;
    };
    // The overview's pages for a usable height H: as many table rows as fit, the chart below
    // the last row when at least ChartMinimumHeight is left there, else on a page of its own.
    static QList<OverviewPage> overviewPages(int rowCount, int H);
    static constexpr int OverviewRowHeight = 80;
    static constexpr int ChartMinimumHeight = 700;

    // The number of pages on a page frame of width W and height H, with testsPerPage tests
    // below each subject page's head row.
    int pageCount(int H, int testsPerPage) const;
    // Draws page `index` (0-based) of `count` at (L, T) on a usable width W and height H.
    void drawPage(QPainter& canvas, int index, int count, int L, int T, int W, int H,
                  int testsPerPage, bool YAxisUp, const PrintLayoutOptions& options) const;

    const QList<OverviewRow>& rows() const { return rows_; }
    QString overviewTitle() const;

private:
    struct SubjectPages {
        QString subject;
        QList<ClassTest> tests;
    };
    QString pageText(int index, int count) const;
    void drawOverviewPage(QPainter& canvas, const OverviewPage& page, int L, int T, int W, int H,
                          bool YAxisUp) const;

    QString fileName_;
    SchoolYear year_;
    QDate printed_;
    QList<OverviewRow> rows_;
    QList<SubjectPages> subjects_;
};

// Prints the report on as many pages as needed, with the printer's copy count and orientation;
// a file target is written as printTests() writes it. Raises like printTests(); nothing is
// printed when the school year holds no test. Returns the number of pages.
int printSchoolYearReport(QPrinter& printer, const SchoolYearReport& report,
                          const PrintLayoutOptions& options);
