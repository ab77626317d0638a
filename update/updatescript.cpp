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
    QString result;
    result.reserve(line.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != u'%') {
            result += line[i];
            continue;
        }
        const QChar kind = i + 1 < line.size() ? line[i + 1] : QChar();
        if (kind == u'%') {
            result += u'%';
        } else if (kind == u's') {
            if (next >= values.size())
                throw badFormat(line);
            result += values[next++];
        } else {
            throw badFormat(line);
        }
        ++i;
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
    lines.append(QStringLiteral("rm -f ") + ShellQuoted(tempDir + UpdateScriptName));
    return lines;
}

QString ShellQuoted(const QString& path) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : path) {
        if (c == u'"' || c == u'\\' || c == u'$' || c == u'`')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
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
