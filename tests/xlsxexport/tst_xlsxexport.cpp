#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "support/classtests.h"
#include "support/testfiles.h"
#include "xlsxexport/gradebookworkbook.h"
#include "xlsxexport/sheetnames.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Opens a workbook with openpyxl (the system's python3 and python3-openpyxl) and gives what
// it read: per sheet its cells as [type, value, number format] with formulas as written, the
// cached results of the formulas, the frozen cell, the filter range and the column widths;
// the charts of the overview with their series' references.
QJsonObject readWithOpenpyxl(const QString& fileName, QString* problem) {
    static const char* script = R"(
import datetime, json, sys, openpyxl
def cells(ws):
    rows = []
    for row in ws.iter_rows():
        out = []
        for c in row:
            v = c.value
            if v is None: out.append(['empty'])
            elif isinstance(v, datetime.datetime): out.append(['date', v.strftime('%Y-%m-%d'), c.number_format])
            elif c.data_type == 'f': out.append(['formula', v, c.number_format])
            elif isinstance(v, (int, float)): out.append(['number', v, c.number_format])
            else: out.append(['text', v])
        rows.append(out)
    return rows
book = openpyxl.load_workbook(sys.argv[1])
cached = openpyxl.load_workbook(sys.argv[1], data_only=True)
result = {'sheets': book.sheetnames, 'cells': {}, 'cached': {}, 'freeze': {}, 'filter': {}, 'widths': {}}
for ws in book.worksheets:
    result['cells'][ws.title] = cells(ws)
    result['cached'][ws.title] = [[c.value for c in row] for row in cached[ws.title].iter_rows()]
    result['freeze'][ws.title] = ws.freeze_panes
    result['filter'][ws.title] = ws.auto_filter.ref
    result['widths'][ws.title] = {k: d.width for k, d in ws.column_dimensions.items()}
result['charts'] = [{'type': chart.tagname,
                     'series': [{'name': s.tx.strRef.f, 'categories': s.cat.strRef.f,
                                 'values': s.val.numRef.f} for s in chart.series]}
                    for chart in book.worksheets[0]._charts]
sys.stdout.write(json.dumps(result, default=str))
)";
    // The system's interpreter, where Debian installs python3-openpyxl.
    const QString python = QStringLiteral("/usr/bin/python3");
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), fileName});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *problem = QStringLiteral("openpyxl could not read the workbook: ") +
                   QString::fromUtf8(process.readAllStandardError()) + process.errorString();
        return {};
    }
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

QStringList strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& item : value.toArray())
        list.append(item.toString());
    return list;
}

// A cell of a sheet's row as [type, value(, number format)]; rows and columns from 0.
QJsonArray cellAt(const QJsonObject& book, const QString& sheet, int row, int column) {
    return book[QStringLiteral("cells")][sheet][row][column].toArray();
}
QJsonValue cachedAt(const QJsonObject& book, const QString& sheet, int row, int column) {
    return book[QStringLiteral("cached")][sheet][row][column];
}

const QString Overview = QStringLiteral("Übersicht");

QList<SubjectTests> sampleBook() {
    return {
        {QStringLiteral("Mathe"),
         {classTest(7, 1, QDate(2023, 9, 21), {2, 5, 9, 7, 3, 1}, 3,
                    QStringLiteral("Bruchrechnung")),
          classTest(7, 2, QDate(2023, 11, 14), {1, 0, 0, 0, 0, 1}, 0,
                    QStringLiteral("=1+1 ist Text, \"zitiert\""))}},
        // Named like the overview, and a name of 40 characters with refused characters.
        {QStringLiteral("übersicht"), {classTest(5, 1, QDate(2003, 3, 12), {0, 0, 3, 0, 0, 0}, 4)}},
        {QStringLiteral("Bildende Kunst: Malerei [Kurs A] / Werken"),
         {classTest(12, 3, QDate(2024, 8, 1), {0, 0, 0, 0, 0, 0}, 0)}},
    };
}

} // namespace

class TestXlsxExport : public QObject {
    Q_OBJECT

private slots:
    void init() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void sheetNames_data();
    void sheetNames();
    void uniqueNames();
    void readBackWithOpenpyxl();
    void exampleFileThroughTheStore();
    void refusedWriteKeepsTheOldFile();
    void renderedByLibreOffice();
};

void TestXlsxExport::sheetNames_data() {
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("sheet");
    QTest::newRow("plain") << "Mathe"
                           << "Mathe";
    QTest::newRow("refused characters") << "a[b]c:d*e?f/g\\h"
                                        << "abcdefgh";
    QTest::newRow("cut to 31") << QString(40, u'x') << QString(31, u'x');
    QTest::newRow("apostrophes and blanks at the ends") << "' Kunst' "
                                                        << "Kunst";
    QTest::newRow("apostrophe inside") << "Rock 'n' Roll"
                                       << "Rock 'n' Roll";
    QTest::newRow("apostrophe brought to the end by the cut")
        << QString(30, u'y') + "'z" << QString(30, u'y');
    QTest::newRow("nothing left") << "[]/'"
                                  << "Fach";
    QTest::newRow("control characters") << "Ma\x01the\t"
                                        << "Mathe";
    QTest::newRow("pair of surrogates not split")
        << QString(30, u'm') + QString::fromUtf8("\xF0\x9F\x93\x90") << QString(30, u'm');
}

void TestXlsxExport::sheetNames() {
    QFETCH(QString, subject);
    QFETCH(QString, sheet);
    QCOMPARE(sheetNameOf(subject), sheet);
}

void TestXlsxExport::uniqueNames() {
    // Two long names that are the same in their first 31 characters.
    const QString longName = QString(31, u'L');
    QCOMPARE(uniqueSheetNames(
                 {"Mathe", "MATHE", "übersicht", longName + "ab", longName + "ac", "Mathe (2)"},
                 {Overview}),
             (QStringList{"Mathe", "MATHE (2)", "übersicht (2)", longName,
                          QString(27, u'L') + " (2)", "Mathe (2) (2)"}));
    QCOMPARE(formulaSheetName(QStringLiteral("Rock 'n' Roll")),
             QStringLiteral("'Rock ''n'' Roll'"));
}

void TestXlsxExport::readBackWithOpenpyxl() {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Noten.xlsx"));
    writeGradeBookWorkbook(sampleBook(), fileName);
    // Only the workbook is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Noten.xlsx"});

    QString problem;
    const QJsonObject book = readWithOpenpyxl(fileName, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QString kunst = QStringLiteral("Bildende Kunst Malerei Kurs A");
    QCOMPARE(strings(book["sheets"]), (QStringList{Overview, "Mathe", "übersicht (2)", kunst}));

    // A subject's sheet: typed cells, formulas over the row, header frozen, filter on.
    QCOMPARE(cellAt(book, "Mathe", 0, 0), (QJsonArray{"text", "Klasse"}));
    QCOMPARE(book["cells"]["Mathe"].toArray().size(), 3);
    QCOMPARE(cellAt(book, "Mathe", 0, 13), (QJsonArray{"text", "Bemerkung"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 0), (QJsonArray{"number", 7, "General"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 2), (QJsonArray{"date", "2023-09-21", "dd.mm.yyyy"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 3), (QJsonArray{"number", 3, "General"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 6), (QJsonArray{"number", 9, "General"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 10), (QJsonArray{"formula", "=SUM(E2:J2)", "General"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 11),
             (QJsonArray{"formula", "=IF(K2>0,(E2+2*F2+3*G2+4*H2+5*I2+6*J2)/K2,\"\")", "0.00"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 12), (QJsonArray{"number", 3, "General"}));
    QCOMPARE(cellAt(book, "Mathe", 1, 13), (QJsonArray{"text", "Bruchrechnung"}));
    QCOMPARE(cellAt(book, "Mathe", 2, 12), (QJsonArray{"text", "nicht teilgenommen"}));
    // A remark that looks like a formula stays text.
    QCOMPARE(cellAt(book, "Mathe", 2, 13), (QJsonArray{"text", "=1+1 ist Text, \"zitiert\""}));
    QCOMPARE(cachedAt(book, "Mathe", 1, 10).toDouble(), 27.0);
    QCOMPARE(cachedAt(book, "Mathe", 1, 11).toDouble(), 88.0 / 27);
    QCOMPARE(book["freeze"]["Mathe"].toString(), QStringLiteral("A2"));
    QCOMPARE(book["filter"]["Mathe"].toString(), QStringLiteral("A1:N3"));
    const QJsonObject widths = book["widths"]["Mathe"].toObject();
    QVERIFY(widths["C"].toDouble() >= 10); // the date
    QVERIFY(widths["M"].toDouble() >= QStringLiteral("nicht teilgenommen").size());
    QVERIFY(widths["N"].toDouble() >= 26 && widths["N"].toDouble() <= 60); // the remark

    // No participants: no average, and no class average for the subject.
    QCOMPARE(cachedAt(book, kunst, 1, 10).toDouble(), 0.0);
    QCOMPARE(cachedAt(book, kunst, 1, 11).toString(), QString());

    // The overview: formulas over the subjects' sheets, with the program's figures as results.
    QCOMPARE(book["cells"][Overview].toArray().size(), 4);
    QCOMPARE(cellAt(book, Overview, 0, 2), (QJsonArray{"text", "Klassendurchschnitt"}));
    QCOMPARE(cellAt(book, Overview, 1, 0), (QJsonArray{"text", "Mathe"}));
    QCOMPARE(cellAt(book, Overview, 1, 1),
             (QJsonArray{"formula", "=COUNT('Mathe'!$A$2:$A$3)", "General"}));
    QCOMPARE(cellAt(book, Overview, 1, 2),
             (QJsonArray{"formula", "=IFERROR(AVERAGE('Mathe'!$L$2:$L$3),\"\")", "0.00"}));
    QCOMPARE(cellAt(book, Overview, 1, 3),
             (QJsonArray{"formula",
                         "=IFERROR(AVERAGEIFS('Mathe'!$M$2:$M$3,'Mathe'!$M$2:$M$3,\">=1\","
                         "'Mathe'!$M$2:$M$3,\"<=6\"),\"\")",
                         "0.00"}));
    QCOMPARE(cellAt(book, Overview, 2, 1),
             (QJsonArray{"formula", "=COUNT('übersicht (2)'!$A$2:$A$2)", "General"}));
    QCOMPARE(cellAt(book, Overview, 3, 0),
             (QJsonArray{"text", "Bildende Kunst: Malerei [Kurs A] / Werken"}));
    QCOMPARE(cachedAt(book, Overview, 1, 1).toDouble(), 2.0);
    QCOMPARE(cachedAt(book, Overview, 1, 2).toDouble(), (88.0 / 27 + 3.5) / 2);
    QCOMPARE(cachedAt(book, Overview, 1, 3).toDouble(), 3.0);
    QCOMPARE(cachedAt(book, Overview, 2, 3).toDouble(), 4.0);
    QCOMPARE(cachedAt(book, Overview, 3, 2).toString(), QString());
    QCOMPARE(cachedAt(book, Overview, 3, 3).toString(), QString());
    QCOMPARE(book["freeze"][Overview].toString(), QStringLiteral("A2"));

    // The chart: class and own average per subject, named by the header cells.
    const QJsonArray charts = book["charts"].toArray();
    QCOMPARE(charts.size(), 1);
    QCOMPARE(charts[0]["type"].toString(), QStringLiteral("barChart"));
    const QJsonArray series = charts[0]["series"].toArray();
    QCOMPARE(series.size(), 2);
    QCOMPARE(series[0]["name"].toString(), QStringLiteral("'Übersicht'!$C$1"));
    QCOMPARE(series[0]["categories"].toString(), QStringLiteral("'Übersicht'!$A$2:$A$4"));
    QCOMPARE(series[0]["values"].toString(), QStringLiteral("'Übersicht'!$C$2:$C$4"));
    QCOMPARE(series[1]["name"].toString(), QStringLiteral("'Übersicht'!$D$1"));
    QCOMPARE(series[1]["values"].toString(), QStringLiteral("'Übersicht'!$D$2:$D$4"));
}

void TestXlsxExport::exampleFileThroughTheStore() {
    const IniStore store(QFINDTESTDATA("../../examples/Beispiel.plx"));
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Beispiel.xlsx"));
    exportGradeBookWorkbook(store, fileName);
    QString problem;
    const QJsonObject book = readWithOpenpyxl(fileName, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(strings(book["sheets"]), (QStringList{Overview, "Deutsch", "Englisch", "Mathematik"}));
    QCOMPARE(cellAt(book, "Mathematik", 1, 2), (QJsonArray{"date", "2023-09-21", "dd.mm.yyyy"}));
    QCOMPARE(cellAt(book, "Mathematik", 1, 13), (QJsonArray{"text", "Bruchrechnung"}));
    QCOMPARE(cachedAt(book, "Deutsch", 1, 11).toDouble(), 74.0 / 27);
}

void TestXlsxExport::refusedWriteKeepsTheOldFile() {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Noten.xlsx"));
    QVERIFY(writeBytes(fileName, "older export"));
    {
        const RefusedWrites full;
        QVERIFY_THROWS_EXCEPTION(AppError, writeGradeBookWorkbook(sampleBook(), fileName));
    }
    QCOMPARE(readBytes(fileName), QByteArray("older export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Noten.xlsx"});

    // A faulty entry of the data file: nothing is written either.
    const QString dataFile = dir.filePath(QStringLiteral("Noten.plx"));
    QVERIFY(writeBytes(dataFile, "[Mathe]\r\n7,2,02.12.2026=\"1,1,x,1,1,1,1,1,\"\r\n"));
    QVERIFY_THROWS_EXCEPTION(AppError, exportGradeBookWorkbook(IniStore(dataFile), fileName));
    QCOMPARE(readBytes(fileName), QByteArray("older export"));
}

// LibreOffice, where it is installed, renders the workbook with its chart into a PDF.
void TestXlsxExport::renderedByLibreOffice() {
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        QSKIP("LibreOffice is not installed");
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Noten.xlsx"));
    writeGradeBookWorkbook(sampleBook(), fileName);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(office,
                  {QStringLiteral("-env:UserInstallation=file://") + dir.filePath("profil"),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                   QStringLiteral("pdf"), QStringLiteral("--outdir"), dir.path(), fileName});
    QVERIFY(process.waitForFinished(120000));
    const QStringList pages = pdfPages(dir.filePath(QStringLiteral("Noten.pdf")));
    QVERIFY2(!pages.isEmpty() && pages.join(u'\n').contains(QStringLiteral("Klassendurchschnitt")),
             qPrintable(pages.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestXlsxExport)
#include "tst_xlsxexport.moc"
