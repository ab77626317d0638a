#include "gradedata/commalist.h"

namespace {

// Blanks and control characters separate fields and are skipped around them.
bool isBlank(QChar c) {
    return c.unicode() <= u' ';
}

bool needsQuotes(const QString& field) {
    for (const QChar c : field) {
        if (isBlank(c) || c == u'"' || c == u',')
            return true;
    }
    return false;
}

} // namespace

CommaFields::CommaFields(QStringView text) {
    // Plain pointers: this runs for every entry of a data file that is read.
    const char16_t* const begin = text.utf16();
    const char16_t* const end = begin + text.size();
    const char16_t* p = begin;
    const auto blank = [](char16_t c) { return c <= u' '; };
    while (p < end && blank(*p))
        ++p;
    while (p < end) {
        if (*p == u'"') {
            // Quoted field: up to the closing quote, a doubled quote stands for one. Without
            // a closing quote the field runs to the end of the text.
            const char16_t* const start = ++p;
            bool doubled = false;
            while (p < end) {
                if (*p == u'"') {
                    if (p + 1 < end && p[1] == u'"') {
                        doubled = true;
                        p += 2;
                        continue;
                    }
                    break;
                }
                ++p;
            }
            QStringView field(start, p - start);
            if (p < end)
                ++p; // the closing quote
            if (doubled) {
                QString unescaped = field.toString();
                unescaped.replace(QStringLiteral("\"\""), QStringLiteral("\""));
                unescaped_.append(unescaped);
                field = unescaped_.back();
            }
            fields_.append(field);
        } else {
            const char16_t* const start = p;
            while (p < end && !blank(*p) && *p != u',')
                ++p;
            fields_.append(QStringView(start, p - start));
        }
        while (p < end && blank(*p))
            ++p;
        if (p < end && *p == u',') {
            if (p + 1 == end)
                fields_.append(QStringView(end, 0));
            ++p;
            while (p < end && blank(*p))
                ++p;
        }
    }
}

QStringList splitCommaList(const QString& text) {
    const CommaFields fields(text);
    QStringList list;
    list.reserve(fields.size());
    for (qsizetype i = 0; i < fields.size(); ++i)
        list.append(fields[i].toString());
    return list;
}

QString quoteField(const QString& field) {
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString joinCommaList(const QStringList& fields) {
    if (fields.size() == 1 && fields.front().isEmpty())
        return QStringLiteral("\"\"");
    QString text;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += u',';
        text += needsQuotes(fields.at(i)) ? quoteField(fields.at(i)) : fields.at(i);
    }
    return text;
}
