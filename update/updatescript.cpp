#include "update/updatescript.h"

#include "gradedata/textencoding.h"
#include "platform/apperror.h"

const QString UpdateScriptName = QStringLiteral("Update.bat");

namespace {

AppError badFormat(const QString& line) {
    return AppError(
        QStringLiteral("Format '%1' ungültig oder nicht kompatibel mit Argument").arg(line));
}

// The console code page of the shell is UTF-8: paths go into the script as they are.
QString ToOemCodePage(const QString& path) {
    return path;
}

} // namespace

QString FormatScriptLine(const QString& line, const QStringList& values) {
    // The shell's quoting as far as the line has come: plain text, '…', "…", and the command
    // substitutions $(…) and `…`, whose text the shell reads a second time.
    enum class Context { Plain, Single, Double, Substitution, Backquote };
    QList<Context> open;
    QList<int> parentheses;
    auto current = [&] { return open.isEmpty() ? Context::Plain : open.last(); };
    auto insideSubstitution = [&] {
        return open.contains(Context::Substitution) || open.contains(Context::Backquote);
    };
    bool escaped = false;

    QString result;
    result.reserve(line.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'%') {
            const QChar kind = i + 1 < line.size() ? line[i + 1] : QChar();
            if (kind == u'%') {
                result += u'%';
                escaped = false;
            } else if (kind == u's') {
                // A value is quoted for its place; after a backslash or inside a command
                // substitution no quoting would hold.
                if (next >= values.size() || escaped || insideSubstitution())
                    throw badFormat(line);
                const Context where = current();
                result += where == Context::Double   ? DoubleQuotedText(values[next])
                          : where == Context::Single ? SingleQuotedText(values[next])
                                                     : ShellQuoted(values[next]);
                ++next;
            } else {
                throw badFormat(line);
            }
            ++i;
            continue;
        }
        result += c;
        if (escaped) {
            escaped = false;
            continue;
        }
        const Context top = current();
        if (top == Context::Single) {
            if (c == u'\'')
                open.removeLast();
            continue;
        }
        if (c == u'\\') {
            escaped = true;
        } else if (c == u'`') {
            if (top == Context::Backquote)
                open.removeLast();
            else
                open.append(Context::Backquote);
        } else if (c == u'$' && i + 1 < line.size() && line[i + 1] == u'(') {
            result += u'(';
            ++i;
            open.append(Context::Substitution);
            parentheses.append(1);
        } else if (top == Context::Double) {
            if (c == u'"')
                open.removeLast();
        } else if (c == u'"') {
            open.append(Context::Double);
        } else if (c == u'\'' && top != Context::Backquote) {
            open.append(Context::Single);
        } else if (top == Context::Substitution && c == u'(') {
            ++parentheses.last();
        } else if (top == Context::Substitution && c == u')' && --parentheses.last() == 0) {
            parentheses.removeLast();
            open.removeLast();
        }
    }
    return result;
}

QStringList FillUpdateScript(const QStringList& templateLines, const ScriptFolders& folders,
                             bool restart) {
    if (templateLines.isEmpty())
        throw AppError(
            QStringLiteral("Die Installationsvorlage %1 ist leer.").arg(UpdateScriptName));
    const QString programDir = ToOemCodePage(folders.programDir);
    const QString tempDir = ToOemCodePage(folders.tempDir);
    QStringList lines = templateLines;
    const qsizetype count = lines.size();
    qsizetype tail = -1;
    for (qsizetype header = 0; header < count; header += 4) {
        if (lines[header].startsWith(u' ')) {
            tail = header;
            break;
        }
        if (lines[header].isEmpty())
            throw AppError(QStringLiteral("Die Installationsvorlage %1 hat in Zeile %2 eine leere "
                                          "Kopfzeile.")
                               .arg(UpdateScriptName)
                               .arg(header + 1));
        if (header + 3 >= count)
            throw AppError(QStringLiteral("Die Installationsvorlage %1 endet mit einer "
                                          "unvollständigen Gruppe.")
                               .arg(UpdateScriptName));
        lines[header + 1] = FormatScriptLine(lines[header + 1], {programDir});
        lines[header + 2] = FormatScriptLine(lines[header + 2], {programDir});
        lines[header + 3] = FormatScriptLine(lines[header + 3], {tempDir, programDir});
    }
    if (tail >= 0)
        for (qsizetype i = tail; i < count; ++i)
            lines[i] = FormatScriptLine(lines[i], {tempDir});
    if (restart)
        lines.append(ShellQuoted(ToOemCodePage(folders.programFile)) + QStringLiteral(" &"));
    // Last, the script removes the working folder with everything in it, itself included.
    lines.append(QStringLiteral("rm -rf -- ") + ShellQuoted(tempDir));
    return lines;
}

QString ShellQuoted(const QString& text) {
    return u'\'' + SingleQuotedText(text) + u'\'';
}

QString SingleQuotedText(const QString& text) {
    QString quoted = text;
    return quoted.replace(u'\'', QStringLiteral("'\\''"));
}

QString DoubleQuotedText(const QString& text) {
    QString quoted;
    quoted.reserve(text.size());
    for (QChar c : text) {
        if (c == u'"' || c == u'\\' || c == u'$' || c == u'`')
            quoted += u'\\';
        quoted += c;
    }
    return quoted;
}

QStringList TemplateLines(QByteArrayView bytes) {
    const QString text = isValidUtf8(bytes) ? QString::fromUtf8(bytes) : decodeWindows1252(bytes);
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        lines.append(text.sliced(start, end - start));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

QByteArray ScriptBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += '\n';
    }
    return bytes;
}
