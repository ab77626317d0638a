#include "csvexport/csvwriter.h"

#include "gradedata/inistore.h"
#include "gradedata/subjectname.h"
#include "platform/atomicfile.h"
#include "platform/localeformats.h"
#include "stats/numberformat.h"
#include "stats/statistics.h"

#include <algorithm>

namespace {

const QString NotTakenText = QStringLiteral("nicht teilgenommen");

// Decimal comma whatever the user's locale: the file is for German spreadsheet programs.
QString decimalComma(long double value) {
    QString text = formatDecimal(value, 2);
    const QChar separator = LocaleFormats::current().decimalSeparator();
    if (separator != u',')
        text.replace(separator, u',');
    return text;
}

QStringList rowFields(const QString& subject, const ClassTest& test) {
    QStringList fields;
    fields << subject << (test.date.isValid() ? academicYearText(test.date) : QString())
           << QString::number(test.gradeLevel) << QString::number(test.number)
           << test.date.toString(QStringLiteral("dd.MM.yyyy")) << QString::number(test.lesson);
    for (const int count : test.counts)
        fields << QString::number(count);
    fields << QString::number(Participants(test.counts));
    const std::optional<long double> average = TestAverage(test.counts);
    fields << (average ? decimalComma(*average) : QString());
    fields << (test.ownGrade == 0 ? NotTakenText : QString::number(test.ownGrade));
    fields << test.remark;
    return fields;
}

void appendRow(QString& text, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += u';';
        text += csvField(fields[i]);
    }
    text += QStringLiteral("\r\n");
}

} // namespace

QStringList csvHeader() {
    return {
        QStringLiteral("Fach"),       QStringLiteral("Schuljahr"),    QStringLiteral("Klasse"),
        QStringLiteral("Nummer"),     QStringLiteral("Datum"),        QStringLiteral("Schulstunde"),
        QStringLiteral("Note 1"),     QStringLiteral("Note 2"),       QStringLiteral("Note 3"),
        QStringLiteral("Note 4"),     QStringLiteral("Note 5"),       QStringLiteral("Note 6"),
        QStringLiteral("Teilnehmer"), QStringLiteral("Durchschnitt"), QStringLiteral("Eigene Note"),
        QStringLiteral("Bemerkung")};
}

QString csvField(const QString& text) {
    const bool needsQuotes = text.contains(u';') || text.contains(u',') || text.contains(u'"') ||
                             text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t') ||
                             (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!needsQuotes)
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray gradeBookCsv(const QList<SubjectTests>& subjects) {
    QString text;
    appendRow(text, csvHeader());
    for (const SubjectTests& subject : subjects) {
        for (const ClassTest& test : subject.tests)
            appendRow(text, rowFields(subject.subject, test));
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QList<SubjectTests> readGradeBook(const IniStore& store) {
    QStringList names = store.ReadSections();
    names.removeIf([](const QString& section) { return isSettingsSection(section); });
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return LocaleFormats::current().compare(a, b) < 0;
    });
    QList<SubjectTests> book;
    for (const QString& name : names) {
        QStringList items;
        LoadSubjectTests(store, name, items);
        SubjectTests subject{name, {}};
        for (const QString& item : items)
            subject.tests.append(classTestFromListItem(item));
        book.append(subject);
    }
    return book;
}

void exportGradeBookCsv(const IniStore& store, const QString& fileName) {
    writeFileAtomically(fileName, gradeBookCsv(readGradeBook(store)));
}
