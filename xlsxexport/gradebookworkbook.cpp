#include "xlsxexport/gradebookworkbook.h"

#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "stats/statistics.h"
#include "xlsxexport/sheetnames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <deque>
#include <xlsxwriter.h>

namespace {

const QString OverviewSheetName = QStringLiteral("Übersicht");
const QString NotTakenText = QStringLiteral("nicht teilgenommen");
// The longest text a cell holds.
constexpr qsizetype MaxCellText = 32767;
// Column widths, in characters of the standard font.
constexpr int MinColumnWidth = 6, MaxColumnWidth = 60;

// Columns of a subject's sheet.
namespace SubjectColumn {
constexpr lxw_col_t GradeLevel = 0, Number = 1, Date = 2, Lesson = 3, FirstCount = 4,
                    Participants = 10, Average = 11, OwnGrade = 12, Remark = 13, Count = 14;
}
// Columns of the overview.
namespace OverviewColumn {
constexpr lxw_col_t Subject = 0, Tests = 1, ClassAverage = 2, OwnAverage = 3, Count = 4;
}

const QStringList& subjectHeader() {
    static const QStringList header = {
        QStringLiteral("Klasse"),      QStringLiteral("Nummer"),     QStringLiteral("Datum"),
        QStringLiteral("Schulstunde"), QStringLiteral("Note 1"),     QStringLiteral("Note 2"),
        QStringLiteral("Note 3"),      QStringLiteral("Note 4"),     QStringLiteral("Note 5"),
        QStringLiteral("Note 6"),      QStringLiteral("Teilnehmer"), QStringLiteral("Durchschnitt"),
        QStringLiteral("Eigene Note"), QStringLiteral("Bemerkung")};
    return header;
}

const QStringList& overviewHeader() {
    static const QStringList header = {QStringLiteral("Fach"), QStringLiteral("Arbeiten"),
                                       QStringLiteral("Klassendurchschnitt"),
                                       QStringLiteral("Eigener Durchschnitt")};
    return header;
}

// "A", "B", ... "Z", "AA", ...
QString columnName(lxw_col_t column) {
    QString name;
    for (int n = int(column) + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

// The widest text of each column, in characters.
class ColumnWidths {
public:
    explicit ColumnWidths(const QStringList& header) {
        for (const QString& text : header)
            widths_.push_back(int(text.size()) + 1); // the header is bold
    }
    void fit(lxw_col_t column, qsizetype characters) {
        widths_[column] = std::max(widths_[column], int(std::min<qsizetype>(characters, 1000)));
    }
    double width(lxw_col_t column) const {
        return std::clamp(widths_[column] + 2, MinColumnWidth, MaxColumnWidth);
    }
    lxw_col_t count() const { return lxw_col_t(widths_.size()); }

private:
    std::vector<int> widths_;
};

// One workbook being built. Every call of the library is checked; the first one that fails
// raises `refused`.
class WorkbookBuilder {
public:
    WorkbookBuilder(const QString& path, const QString& scratchFolder, AppError refused)
        : refused_(std::move(refused)) {
        lxw_workbook_options options{};
        scratchFolder_ = scratchFolder.toUtf8();
        options.tmpdir = scratchFolder_.data();
        workbook_ = workbook_new_opt(keep(path).constData(), &options);
        if (!workbook_)
            throw refused_;
        bold_ = workbook_add_format(workbook_);
        format_set_bold(bold_);
        date_ = workbook_add_format(workbook_);
        format_set_num_format(date_, "dd.mm.yyyy");
        decimal_ = workbook_add_format(workbook_);
        format_set_num_format(decimal_, "0.00");
    }
    ~WorkbookBuilder() {
        if (workbook_)
            lxw_workbook_free(workbook_);
    }
    WorkbookBuilder(const WorkbookBuilder&) = delete;
    WorkbookBuilder& operator=(const WorkbookBuilder&) = delete;

    lxw_worksheet* addSheet(const QString& name) {
        lxw_worksheet* sheet = workbook_add_worksheet(workbook_, keep(name).constData());
        if (!sheet)
            throw refused_;
        return sheet;
    }
    lxw_chart* addChart(uint8_t type) {
        lxw_chart* chart = workbook_add_chart(workbook_, type);
        if (!chart)
            throw refused_;
        return chart;
    }

    lxw_chart_series* addSeries(lxw_chart* chart) {
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        if (!series)
            throw refused_;
        return series;
    }

    void check(lxw_error error) const {
        if (error != LXW_NO_ERROR)
            throw refused_;
    }

    // A text as the library takes it: UTF-8 that lives as long as the workbook, without NUL
    // characters (which would end it early) and cut to what a cell holds.
    const char* text(const QString& text) {
        QString cut = text.left(MaxCellText);
        if (cut.size() == MaxCellText && cut.back().isHighSurrogate())
            cut.chop(1);
        cut.remove(QChar(u'\0'));
        return keep(cut).constData();
    }

    void writeHeader(lxw_worksheet* sheet, const QStringList& header) {
        for (qsizetype column = 0; column < header.size(); ++column)
            check(worksheet_write_string(sheet, 0, lxw_col_t(column), text(header[column]), bold_));
        worksheet_freeze_panes(sheet, 1, 0);
        // Printed across on A4, one page wide, the header on every page.
        worksheet_set_paper(sheet, 9);
        worksheet_set_landscape(sheet);
        worksheet_fit_to_pages(sheet, 1, 0);
        check(worksheet_repeat_rows(sheet, 0, 0));
    }
    void setWidths(lxw_worksheet* sheet, const ColumnWidths& widths) {
        for (lxw_col_t column = 0; column < widths.count(); ++column)
            check(worksheet_set_column(sheet, column, column, widths.width(column), nullptr));
    }

    lxw_format* date() const { return date_; }
    lxw_format* decimal() const { return decimal_; }

    // Writes the file; the builder is done with it.
    void close() {
        lxw_workbook* workbook = std::exchange(workbook_, nullptr);
        check(workbook_close(workbook));
    }

private:
    const QByteArray& keep(const QString& text) { return texts_.emplace_back(text.toUtf8()); }

    AppError refused_;
    QByteArray scratchFolder_;
    lxw_workbook* workbook_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_format* decimal_ = nullptr;
    std::deque<QByteArray> texts_;
};

void writeNumber(WorkbookBuilder& book, lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column,
                 double value, ColumnWidths& widths) {
    book.check(worksheet_write_number(sheet, row, column, value, nullptr));
    widths.fit(column, QString::number(value, 'g', 15).size());
}

// A formula with its computed value, a number or, when there is none, the empty text.
void writeFormula(WorkbookBuilder& book, lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column,
                  const QString& formula, std::optional<double> value, lxw_format* format) {
    const char* text = book.text(formula);
    book.check(value ? worksheet_write_formula_num(sheet, row, column, text, format, *value)
                     : worksheet_write_formula_str(sheet, row, column, text, format, ""));
}

void writeDate(WorkbookBuilder& book, lxw_worksheet* sheet, lxw_row_t row, const QDate& date) {
    // The years a spreadsheet date can have; any other date stays readable as text.
    if (date.isValid() && date.year() >= 1900 && date.year() <= 9999) {
        lxw_datetime value{date.year(), date.month(), date.day(), 0, 0, 0.0};
        book.check(worksheet_write_datetime(sheet, row, SubjectColumn::Date, &value, book.date()));
    } else if (date.isValid()) {
        book.check(worksheet_write_string(sheet, row, SubjectColumn::Date,
                                          book.text(date.toString(u"dd.MM.yyyy")), nullptr));
    }
}

void writeTestRow(WorkbookBuilder& book, lxw_worksheet* sheet, lxw_row_t row, const ClassTest& test,
                  ColumnWidths& widths) {
    using namespace SubjectColumn;
    writeNumber(book, sheet, row, GradeLevel, test.gradeLevel, widths);
    writeNumber(book, sheet, row, Number, test.number, widths);
    writeDate(book, sheet, row, test.date);
    widths.fit(Date, 10);
    writeNumber(book, sheet, row, Lesson, test.lesson, widths);
    for (int grade = 0; grade < 6; ++grade)
        writeNumber(book, sheet, row, FirstCount + grade, test.counts[grade], widths);

    const QString r = QString::number(row + 1);
    const auto c = [&r](lxw_col_t column) { return columnName(column) + r; };
    writeFormula(book, sheet, row, Participants,
                 QStringLiteral("=SUM(%1:%2)").arg(c(FirstCount), c(FirstCount + 5)),
                 double(::Participants(test.counts)), nullptr);
    QString weighted;
    for (int grade = 1; grade <= 6; ++grade)
        weighted +=
            (grade > 1 ? QStringLiteral("+%1*").arg(grade) : QString()) + c(FirstCount + grade - 1);
    const std::optional<long double> average = TestAverage(test.counts);
    writeFormula(book, sheet, row, Average,
                 QStringLiteral("=IF(%1>0,(%2)/%1,\"\")").arg(c(Participants), weighted),
                 average ? std::optional<double>(double(*average)) : std::nullopt, book.decimal());
    widths.fit(Average, 4);

    if (test.ownGrade == 0) {
        book.check(worksheet_write_string(sheet, row, OwnGrade, book.text(NotTakenText), nullptr));
        widths.fit(OwnGrade, NotTakenText.size());
    } else {
        writeNumber(book, sheet, row, OwnGrade, test.ownGrade, widths);
    }
    if (!test.remark.isEmpty()) {
        book.check(worksheet_write_string(sheet, row, Remark, book.text(test.remark), nullptr));
        widths.fit(Remark, test.remark.size());
    }
}

void writeSubjectSheet(WorkbookBuilder& book, lxw_worksheet* sheet, const SubjectTests& subject) {
    book.writeHeader(sheet, subjectHeader());
    ColumnWidths widths(subjectHeader());
    lxw_row_t row = 1;
    for (const ClassTest& test : subject.tests)
        writeTestRow(book, sheet, row++, test, widths);
    book.check(worksheet_autofilter(sheet, 0, 0, std::max<lxw_row_t>(row - 1, 1),
                                    SubjectColumn::Count - 1));
    book.setWidths(sheet, widths);
}

// The overview's row of a subject: formulas over the subject's sheet, with the values the
// program computes as their results.
void writeOverviewRow(WorkbookBuilder& book, lxw_worksheet* overview, lxw_row_t row,
                      const SubjectTests& subject, const QString& sheetName, ColumnWidths& widths) {
    using namespace OverviewColumn;
    book.check(worksheet_write_string(overview, row, Subject, book.text(subject.subject), nullptr));
    widths.fit(Subject, subject.subject.size());

    // At least one row, so that a subject without tests still gives valid ranges.
    const lxw_row_t lastRow = std::max<lxw_row_t>(lxw_row_t(subject.tests.size()), 1);
    const auto range = [&](lxw_col_t column) {
        return formulaSheetName(sheetName) + u'!' + u'$' + columnName(column) +
               QStringLiteral("$2:$") + columnName(column) + u'$' + QString::number(lastRow + 1);
    };
    const std::optional<SubjectSummary> summary = subjectSummaryOf(subject.tests);

    writeFormula(book, overview, row, Tests,
                 QStringLiteral("=COUNT(%1)").arg(range(SubjectColumn::GradeLevel)),
                 double(subject.tests.size()), nullptr);
    std::optional<double> classAverage;
    if (summary && summary->MeanAverage)
        classAverage = double(*summary->MeanAverage);
    writeFormula(book, overview, row, ClassAverage,
                 QStringLiteral("=IFERROR(AVERAGE(%1),\"\")").arg(range(SubjectColumn::Average)),
                 classAverage, book.decimal());
    std::optional<double> ownAverage;
    if (summary && summary->OwnAverage > 0)
        ownAverage = double(summary->OwnAverage);
    const QString own = range(SubjectColumn::OwnGrade);
    writeFormula(book, overview, row, OwnAverage,
                 QStringLiteral("=IFERROR(AVERAGEIFS(%1,%1,\">=1\",%1,\"<=6\"),\"\")").arg(own),
                 ownAverage, book.decimal());
}

// Own against class average per subject, as columns.
void insertChart(WorkbookBuilder& book, lxw_worksheet* overview, qsizetype subjects) {
    lxw_chart* chart = book.addChart(LXW_CHART_COLUMN);
    const char* sheet = book.text(OverviewSheetName);
    const lxw_row_t last = lxw_row_t(subjects);
    for (const lxw_col_t column : {OverviewColumn::ClassAverage, OverviewColumn::OwnAverage}) {
        lxw_chart_series* series = book.addSeries(chart);
        chart_series_set_categories(series, sheet, 1, OverviewColumn::Subject, last,
                                    OverviewColumn::Subject);
        chart_series_set_values(series, sheet, 1, column, last, column);
        chart_series_set_name_range(series, sheet, 0, column);
    }
    chart_title_set_name(chart, book.text(QStringLiteral("Durchschnitt je Fach")));
    chart_axis_set_name(chart->x_axis, book.text(QStringLiteral("Fach")));
    chart_axis_set_name(chart->y_axis, book.text(QStringLiteral("Note")));
    chart_axis_set_min(chart->y_axis, 0);
    chart_axis_set_max(chart->y_axis, 6);
    chart_axis_set_major_unit(chart->y_axis, 1);
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);

    lxw_chart_options options{};
    options.x_offset = 10;
    options.y_offset = 10;
    // Wider with more subjects, so that their names stay readable, but still printable.
    options.x_scale = std::clamp(0.15 * double(subjects), 1.5, 3.0);
    options.y_scale = 1.5;
    options.description = const_cast<char*>(book.text(
        QStringLiteral("Säulendiagramm: Klassendurchschnitt und eigener Durchschnitt je Fach")));
    book.check(worksheet_insert_chart_opt(overview, 1, OverviewColumn::Count + 1, chart, &options));
}

void buildWorkbook(WorkbookBuilder& book, const QList<SubjectTests>& subjects) {
    lxw_worksheet* overview = book.addSheet(OverviewSheetName);
    QStringList subjectNames;
    for (const SubjectTests& subject : subjects)
        subjectNames.append(subject.subject);
    const QStringList sheetNames = uniqueSheetNames(subjectNames, {OverviewSheetName});

    book.writeHeader(overview, overviewHeader());
    ColumnWidths widths(overviewHeader());
    for (qsizetype i = 0; i < subjects.size(); ++i) {
        writeSubjectSheet(book, book.addSheet(sheetNames[i]), subjects[i]);
        writeOverviewRow(book, overview, lxw_row_t(i + 1), subjects[i], sheetNames[i], widths);
    }
    book.setWidths(overview, widths);
    if (!subjects.isEmpty())
        insertChart(book, overview, subjects.size());
}

} // namespace

void writeGradeBookWorkbook(const QList<SubjectTests>& subjects, const QString& fileName) {
    const AppError refused = writeRefused(fileName);
    // The library writes to a name it opens itself; a private folder keeps that name out of
    // reach of other users. The finished file then goes to its place atomically.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/zensoria-arbeitsmappe-XXXXXX"));
    if (!scratch.isValid())
        throw refused;
    const QString path = scratch.filePath(QStringLiteral("Arbeitsmappe.xlsx"));
    {
        WorkbookBuilder book(path, scratch.path(), refused);
        buildWorkbook(book, subjects);
        book.close();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw refused;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw refused;
    writeFileAtomically(fileName, bytes);
}

void exportGradeBookWorkbook(const IniStore& store, const QString& fileName) {
    writeGradeBookWorkbook(readGradeBook(store), fileName);
}
