// Measures the Excel workbook of the grade book against the CSV table of the same data file:
// both read every subject through the store and write the file atomically.
// Usage: bench_xlsx [subjects] [tests per subject] [repetitions]

#include "bench/measure.h"
#include "csvexport/csvwriter.h"
#include "gradedata/inistore.h"
#include "xlsxexport/gradebookworkbook.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const BenchData data(app.arguments());
    if (!data.dir.isValid())
        return 2;
    const IniStore store(data.fileName);
    const QString csvName = data.dir.filePath("noten.csv");
    const QString workbookName = data.dir.filePath("noten.xlsx");

    std::vector<double> csv, workbook;
    for (int r = 0; r < data.repetitions; ++r) {
        csv.push_back(milliseconds([&] { exportGradeBookCsv(store, csvName); }));
        workbook.push_back(milliseconds([&] { exportGradeBookWorkbook(store, workbookName); }));
    }
    const double ratio = median(workbook) / median(csv);
    const double target = 10;
    std::printf("workbook %8.2f ms (%lld bytes)   CSV %8.2f ms (%lld bytes)   ratio %6.2f "
                "(target <= %g)%s\n",
                median(workbook), qlonglong(QFileInfo(workbookName).size()), median(csv),
                qlonglong(QFileInfo(csvName).size()), ratio, target,
                ratio <= target ? "" : "   MISSED");
    return ratio <= target ? 0 : 1;
}
