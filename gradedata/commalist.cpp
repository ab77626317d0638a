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

QStringList splitCommaList(const QString& text) {
    QStringList fields;
    const qsizetype size = text.size();
    qsizetype pos = 0;
    const auto skipBlanks = [&] {
        while (pos < size && isBlank(text.at(pos)))
            ++pos;
    };
    skipBlanks();
    while (pos < size) {
        if (text.at(pos) == u'"') {
            // Quoted field: up to the closing quote, a doubled quote stands for one. Without
            // a closing quote the field runs to the end of the text.
            QString field;
            ++pos;
            while (pos < size) {
                const QChar c = text.at(pos++);
                if (c == u'"') {
                    if (pos < size && text.at(pos) == u'"') {
                        ++pos;
                    } else {
                        break;
                    }
                }
                field += c;
            }
            fields.append(field);
        } else {
            const qsizetype start = pos;
            while (pos < size && !isBlank(text.at(pos)) && text.at(pos) != u',')
                ++pos;
            fields.append(text.mid(start, pos - start));
        }
        skipBlanks();
        if (pos < size && text.at(pos) == u',') {
            if (pos + 1 == size)
                fields.append(QString());
            ++pos;
            skipBlanks();
        }
    }
    return fields;
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
