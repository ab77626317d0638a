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
    const qsizetype size = text.size();
    qsizetype pos = 0;
    const auto skipBlanks = [&] {
        while (pos < size && isBlank(text[pos]))
            ++pos;
    };
    skipBlanks();
    while (pos < size) {
        if (text[pos] == u'"') {
            // Quoted field: up to the closing quote, a doubled quote stands for one. Without
            // a closing quote the field runs to the end of the text.
            const qsizetype start = ++pos;
            bool doubled = false;
            while (pos < size) {
                if (text[pos] == u'"') {
                    if (pos + 1 < size && text[pos + 1] == u'"') {
                        doubled = true;
                        pos += 2;
                        continue;
                    }
                    break;
                }
                ++pos;
            }
            QStringView field = text.sliced(start, pos - start);
            if (pos < size)
                ++pos; // the closing quote
            if (doubled) {
                QString unescaped = field.toString();
                unescaped.replace(QStringLiteral("\"\""), QStringLiteral("\""));
                unescaped_.append(unescaped);
                field = unescaped_.back();
            }
            fields_.append(field);
        } else {
            const qsizetype start = pos;
            while (pos < size && !isBlank(text[pos]) && text[pos] != u',')
                ++pos;
            fields_.append(text.sliced(start, pos - start));
        }
        skipBlanks();
        if (pos < size && text[pos] == u',') {
            if (pos + 1 == size)
                fields_.append(text.sliced(size));
            ++pos;
            skipBlanks();
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
