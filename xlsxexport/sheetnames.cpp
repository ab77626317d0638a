#include "xlsxexport/sheetnames.h"

#include <QSet>

namespace {

const QString RefusedCharacters = QStringLiteral("[]:*?/\\");

// The text cut to at most `length` UTF-16 units without splitting a surrogate pair.
QString cutTo(const QString& text, qsizetype length) {
    if (text.size() <= length)
        return text;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

// Characters a sheet name neither begins nor ends with.
bool atEnd(QChar c) {
    return c == u'\'' || c.isSpace();
}

// Spreadsheet programs compare sheet names without regard to case.
QString comparable(const QString& name) {
    return name.toCaseFolded();
}

} // namespace

QString sheetNameOf(const QString& subject) {
    QString name;
    name.reserve(subject.size());
    for (const QChar c : subject) {
        // Control characters cannot stand in the workbook's XML either.
        if (!RefusedCharacters.contains(c) && c.unicode() >= 0x20 && c.unicode() != 0x7F)
            name += c;
    }
    // Apostrophes at the ends are refused, blanks there are hard to see; cutting may bring
    // either to the end.
    for (;;) {
        while (!name.isEmpty() && atEnd(name.front()))
            name.remove(0, 1);
        name = cutTo(name, MaxSheetNameLength);
        if (name.isEmpty() || !atEnd(name.back()))
            break;
        name.chop(1);
    }
    if (name.isEmpty())
        return QStringLiteral("Fach");
    return name;
}

QStringList uniqueSheetNames(const QStringList& subjects, const QStringList& taken) {
    QSet<QString> used;
    for (const QString& name : taken)
        used.insert(comparable(name));
    QStringList names;
    names.reserve(subjects.size());
    for (const QString& subject : subjects) {
        const QString base = sheetNameOf(subject);
        QString name = base;
        for (int n = 2; used.contains(comparable(name)); ++n) {
            const QString suffix = QStringLiteral(" (%1)").arg(n);
            QString cut = cutTo(base, MaxSheetNameLength - suffix.size());
            while (!cut.isEmpty() && atEnd(cut.back()))
                cut.chop(1);
            name = cut + suffix;
        }
        used.insert(comparable(name));
        names.append(name);
    }
    return names;
}

QString formulaSheetName(const QString& sheetName) {
    QString quoted = sheetName;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}
