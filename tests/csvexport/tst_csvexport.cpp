#include "csvexport/csvwriter.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "support/testfiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// Reads a CSV file the way a careful consumer does: Python's csv module with ";" as delimiter,
// the byte-order mark required and removed. Gives the rows as lists of fields.
QList<QStringList> readWithPython(const QString& fileName, QString* problem) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        *problem = QStringLiteral("python3 not found");
        return {};
    }
    static const char* script = R"(
import csv, io, json, sys
data = open(sys.argv[1], 'rb').read()
if not data.startswith(b'\xef\xbb\xbf'):
    sys.exit('no byte-order mark')
rows = list(csv.reader(io.StringIO(data.decode('utf-8-sig'), newline=''), delimiter=';',
                       strict=True))
sys.stdout.write(json.dumps(rows))
)";
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), fileName});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        *problem = QString::fromUtf8(process.readAllStandardError());
        return {};
    }
    QList<QStringList> rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(process.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray())
            fields.append(field.toString());
        rows.append(fields);
    }
    return rows;
}

// One cell of a sheet as LibreOffice Calc read it: its type ("string", "float", "date" or
// empty), its value ("2.74", "2023-09-28") and its text.
struct CalcCell {
    QString type;
    QString value;
    QString text;
};
using CalcSheet = QList<QList<CalcCell>>;

// The cells of a flat OpenDocument spreadsheet, repeated cells written out.
CalcSheet readFlatSheet(const QByteArray& xml) {
    CalcSheet sheet;
    QXmlStreamReader reader(xml);
    CalcCell* cell = nullptr;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const auto name = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (name == u"table-row") {
            sheet.append(QList<CalcCell>());
        } else if (name == u"table-cell" && !sheet.isEmpty()) {
            const int repeated = std::max(
                1, attributes.value(QLatin1String("table:number-columns-repeated")).toInt());
            const QString type = attributes.value(QLatin1String("office:value-type")).toString();
            QString value = attributes.value(QLatin1String("office:value")).toString();
            if (type == u"date")
                value = attributes.value(QLatin1String("office:date-value")).toString();
            for (int i = 0; i < repeated; ++i)
                sheet.last().append({type, value, QString()});
            cell = &sheet.last().last();
        } else if (name == u"p" && cell) {
            if (!cell->text.isEmpty())
                cell->text += u'\n';
            cell->text += reader.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    return sheet;
}

// Opens a CSV file in LibreOffice Calc, headless and with a profile of its own (so with the
// settings of its first use), with the CSV import options given, and gives the sheet.
CalcSheet readWithCalc(const QString& fileName, const QString& options, QString* problem) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        *problem = QStringLiteral("soffice not found");
        return {};
    }
    QTemporaryDir dir;
    QProcess process;
    process.start(soffice,
                  {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                   QStringLiteral("-env:UserInstallation=") +
                       QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                   QStringLiteral("--infilter=Text - txt - csv (StarCalc):") + options,
                   QStringLiteral("--convert-to"), QStringLiteral("fods"),
                   QStringLiteral("--outdir"), dir.path(), fileName});
    if (!process.waitForFinished(240000) || process.exitCode() != 0) {
        *problem = QString::fromUtf8(process.readAllStandardError());
        return {};
    }
    QFile sheet(dir.filePath(QFileInfo(fileName).completeBaseName() + QStringLiteral(".fods")));
    if (!sheet.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("no sheet: ") + QString::fromUtf8(process.readAll());
        return {};
    }
    return readFlatSheet(sheet.readAll());
}

ClassTest test(int level, int number, QDate date, int lesson, GradeCounts counts, int own,
               const QString& remark) {
    return ClassTest{level, number, date, lesson, counts, own, remark};
}

} // namespace

class TestCsvExport : public QObject {
    Q_OBJECT

private slots:
    void init() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void roundTripThroughPython();
    void exampleFileReadsBack();
    void germanConventionsWhateverTheLocale();
    void faultyEntryWritesNothing();
    void fieldQuoting_data();
    void fieldQuoting();
    void settingsSectionLeftOut_data();
    void settingsSectionLeftOut();
    void calcReadsEveryRow();

private:
    // Two subjects whose names, remarks and averages hold every separator.
    const QList<SubjectTests> hostileBook = {
        {QStringLiteral("Mathe; Kurs \"A\""),
         {test(11, 2, QDate(2024, 8, 1), 3, {2, 5, 8, 4, 1, 0}, 3,
               QStringLiteral("Übung; \"schwer\", sehr")),
          test(11, 3, QDate(2025, 7, 31), 10, {0, 0, 0, 0, 0, 0}, 0, QString())}},
        {QStringLiteral("Bildende Kunst, Werken"),
         {test(5, 1, QDate(2003, 3, 12), 1, {1, 0, 0, 0, 0, 1}, 6, QStringLiteral(" leer ")),
          test(5, 2, QDate(2003, 3, 13), 2, {3, 0, 0, 0, 0, 0}, 1,
               QStringLiteral("Größe;Maß\r\nzweite Zeile"))}},
    };
};

void TestCsvExport::roundTripThroughPython() {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Noten.csv"));
    QVERIFY(writeBytes(fileName, gradeBookCsv(hostileBook)));

    QString problem;
    const QList<QStringList> rows = readWithPython(fileName, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0], csvHeader());
    QCOMPARE(rows[0], (QStringList{"Fach", "Schuljahr", "Klasse", "Nummer", "Datum", "Schulstunde",
                                   "Note 1", "Note 2", "Note 3", "Note 4", "Note 5", "Note 6",
                                   "Teilnehmer", "Durchschnitt", "Eigene Note", "Bemerkung"}));
    QCOMPARE(rows[1],
             (QStringList{"Mathe; Kurs \"A\"", "2024/2025", "11", "2", "01.08.2024", "3", "2", "5",
                          "8", "4", "1", "0", "20", "2,85", "3", "Übung; \"schwer\", sehr"}));
    // No participants: no average. Not taken: said in words.
    QCOMPARE(rows[2],
             (QStringList{"Mathe; Kurs \"A\"", "2024/2025", "11", "3", "31.07.2025", "10", "0", "0",
                          "0", "0", "0", "0", "0", "", "nicht teilgenommen", ""}));
    QCOMPARE(rows[3], (QStringList{"Bildende Kunst, Werken", "2002/2003", "5", "1", "12.03.2003",
                                   "1", "1", "0", "0", "0", "0", "1", "2", "3,5", "6", " leer "}));
    QCOMPARE(rows[4],
             (QStringList{"Bildende Kunst, Werken", "2002/2003", "5", "2", "13.03.2003", "2", "3",
                          "0", "0", "0", "0", "0", "3", "1", "1", "Größe;Maß\r\nzweite Zeile"}));
}

void TestCsvExport::exampleFileReadsBack() {
    const IniStore store(QFINDTESTDATA("../../examples/Beispiel.plx"));
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Beispiel.csv"));
    exportGradeBookCsv(store, fileName);

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"
                             "Fach;Schuljahr;Klasse;"));
    QCOMPARE(bytes.count("\r\n"), 13);
    QCOMPARE(bytes.count('\n'), 13);

    QString problem;
    const QList<QStringList> rows = readWithPython(fileName, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(rows.size(), 13);
    // Subjects in the subject list's order, tests by date.
    QCOMPARE(rows[1], (QStringList{"Deutsch", "2023/2024", "7", "1", "28.09.2023", "2", "3", "8",
                                   "10", "5", "1", "0", "27", "2,74", "2", "Inhaltsangabe"}));
    QCOMPARE(rows[2][15], QStringLiteral("Erörterung"));
    QCOMPARE(rows[3][15], QStringLiteral("Bericht über einen Unfall"));
    QCOMPARE(rows[5][0], QStringLiteral("Englisch"));
    QCOMPARE(rows[8], (QStringList{"Mathematik", "2023/2024", "7", "1", "21.09.2023", "3", "2", "5",
                                   "9", "7", "3", "1", "27", "3,26", "3", "Bruchrechnung"}));
    QCOMPARE(rows[11][14], QStringLiteral("nicht teilgenommen"));
    QCOMPARE(rows[12][4], QStringLiteral("06.06.2024"));
    for (const QStringList& row : rows)
        QCOMPARE(row.size(), 16);
}

void TestCsvExport::germanConventionsWhateverTheLocale() {
    LocaleFormats::setCurrent(QLocale(QLocale::English, QLocale::UnitedStates));
    const QByteArray csv = gradeBookCsv(
        {{QStringLiteral("Physik"),
          {test(9, 1, QDate(2024, 1, 5), 4, {1, 1, 1, 0, 0, 0}, 2, QStringLiteral("a,b"))}}});
    QCOMPARE(csv.mid(csv.indexOf("\r\n") + 2),
             QByteArray("Physik;2023/2024;9;1;05.01.2024;4;1;1;1;0;0;0;3;2;2;\"a,b\"\r\n"));
    const QByteArray thirds =
        gradeBookCsv({{QStringLiteral("Physik"),
                       {test(9, 1, QDate(2024, 1, 5), 4, {0, 2, 1, 0, 0, 0}, 2, QString())}}});
    QVERIFY2(thirds.contains(";3;\"2,33\";2;\r\n"), thirds.constData());
}

void TestCsvExport::faultyEntryWritesNothing() {
    QTemporaryDir dir;
    const QString dataFile = dir.filePath(QStringLiteral("Noten.plx"));
    QVERIFY(writeBytes(dataFile, "[Mathe]\r\n7,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"
                                 "7,2,02.12.2026=\"1,1,x,1,1,1,1,1,\"\r\n"));
    const QString target = dir.filePath(QStringLiteral("Noten.csv"));
    QVERIFY(writeBytes(target, "older export"));
    const IniStore store(dataFile);
    QVERIFY_THROWS_EXCEPTION(AppError, exportGradeBookCsv(store, target));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("older export"));
}

void TestCsvExport::fieldQuoting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "Deutsch"
                           << "Deutsch";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("decimal comma") << "2,28"
                                   << "\"2,28\"";
    QTest::newRow("comma") << "Gedicht, Ballade"
                           << "\"Gedicht, Ballade\"";
    QTest::newRow("semicolon") << "a;b"
                               << "\"a;b\"";
    QTest::newRow("tab") << "a\tb"
                         << "\"a\tb\"";
    QTest::newRow("double quote, no separator") << "Kurs \"A\""
                                                << "\"Kurs \"\"A\"\"\"";
    QTest::newRow("line feed") << "a\nb"
                               << "\"a\nb\"";
    QTest::newRow("carriage return") << "a\rb"
                                     << "\"a\rb\"";
    QTest::newRow("leading blank") << " a"
                                   << "\" a\"";
    QTest::newRow("date") << "14.11.2025"
                          << "14.11.2025";
}

void TestCsvExport::fieldQuoting() {
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(csvField(text), field);
}

void TestCsvExport::settingsSectionLeftOut_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::newRow("Settings first") << QByteArray("[Settings]\r\nWidth=800\r\nHeight=600\r\n");
    QTest::newRow("other case") << QByteArray("[settings]\r\nWidth=breit\r\n");
}

// A data file that also holds the program's settings exports its subjects alone.
void TestCsvExport::settingsSectionLeftOut() {
    QFETCH(QByteArray, settings);
    QTemporaryDir dir;
    const QString dataFile = dir.filePath(QStringLiteral("Noten.plx"));
    QVERIFY(writeBytes(dataFile, settings + "[Mathe]\r\n7,1,01.12.2026=\"1,1,1,1,1,1,1,1,\"\r\n"));
    const QString target = dir.filePath(QStringLiteral("Noten.csv"));
    exportGradeBookCsv(IniStore(dataFile), target);
    QCOMPARE(readBytes(target).count("\r\nMathe;"), 1);
    QCOMPARE(readBytes(target).count("\r\n"), 2);
}

// LibreOffice Calc, the spreadsheet program most pupils have, opening the file by double
// click: its import takes comma, semicolon and tab as separators at first use. Every row keeps
// its 16 cells; with German options the numbers are numbers and the dates dates.
void TestCsvExport::calcReadsEveryRow() {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        QSKIP("LibreOffice Calc (soffice) is not installed: scripts/deps.sh installs "
              "libreoffice-calc-nogui");
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("Noten.csv"));
    QList<SubjectTests> book = hostileBook;
    book += readGradeBook(IniStore(QFINDTESTDATA("../../examples/Beispiel.plx")));
    QVERIFY(writeBytes(fileName, gradeBookCsv(book)));
    QString problem;
    const QList<QStringList> expected = readWithPython(fileName, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // First use: separators tab, comma and semicolon, text in double quotes, UTF-8.
    const CalcSheet firstUse = readWithCalc(fileName, QStringLiteral("9/44/59,34,76,1"), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(firstUse.size(), expected.size());
    for (qsizetype row = 0; row < expected.size(); ++row) {
        QCOMPARE(firstUse[row].size(), 16);
        for (int column = 0; column < 16; ++column) {
            QString text = expected[row][column];
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            // Calc drops the blanks around a text.
            if (firstUse[row][column].type == u"string")
                QCOMPARE(firstUse[row][column].text.trimmed(), text.trimmed());
        }
    }

    // German language, numbers and dates recognised.
    const CalcSheet german =
        readWithCalc(fileName, QStringLiteral("9/44/59,34,76,1,,1031,false,true"), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(german.size(), expected.size());
    for (qsizetype row = 1; row < expected.size(); ++row) {
        QCOMPARE(german[row].size(), 16);
        const QDate date = QDate::fromString(expected[row][4], QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(german[row][4].type, QStringLiteral("date"));
        QCOMPARE(german[row][4].value, date.toString(Qt::ISODate));
        for (int column : {2, 3, 5, 6, 7, 8, 9, 10, 11, 12}) {
            QCOMPARE(german[row][column].type, QStringLiteral("float"));
            QCOMPARE(german[row][column].value, expected[row][column]);
        }
        if (!expected[row][13].isEmpty()) {
            QCOMPARE(german[row][13].type, QStringLiteral("float"));
            QCOMPARE(german[row][13].value, QString(expected[row][13]).replace(u',', u'.'));
        }
    }
    QCOMPARE(german[1][13].value, QStringLiteral("2.85"));
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
