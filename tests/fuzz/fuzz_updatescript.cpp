// The installation script from the archive's template: any template bytes either give a script
// or fail with an AppError; a script keeps every header line, puts the folders in literally
// (a "%s" inside a folder is never filled in again), ends with the restart line when asked and
// the line that deletes the script, and reads back line for line from its file bytes.

#include "fuzzinput.h"
#include "platform/apperror.h"
#include "update/updatescript.h"

#include <QRegularExpression>

namespace {

// Folders as they may look: blanks, umlauts, shell characters, percent signs.
const ScriptFolders FolderChoices[] = {
    {QStringLiteral("/opt/Zensoria/"), QStringLiteral("/tmp/"),
     QStringLiteral("/opt/Zensoria/zensoria")},
    {QStringLiteral("/home/jörg/Programm Ä/"), QStringLiteral("/tmp/Temp Ü/"),
     QStringLiteral("/home/jörg/Programm Ä/zensoria")},
    {QStringLiteral("/x/%s%%\"$`\\/"), QStringLiteral("/t/%s/"), QStringLiteral("/x/%s/z")},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t mode = input.byte();
    const ScriptFolders& folders = FolderChoices[mode % std::size(FolderChoices)];
    const bool restart = mode & 0x10;
    const QByteArray bytes = input.rest();

    const QStringList lines = TemplateLines(bytes);
    for (const QString& line : lines)
        FUZZ_CHECK(!line.contains(u'\n') && !line.contains(u'\r'), line);
    // No line ends means one line (or none for no bytes).
    if (!bytes.contains('\n') && !bytes.contains('\r'))
        FUZZ_CHECK(lines.size() == (bytes.isEmpty() ? 0 : 1), QString::number(lines.size()));

    QStringList script;
    try {
        script = FillUpdateScript(lines, folders, restart);
    } catch (const AppError& error) {
        FUZZ_CHECK(!error.message().isEmpty(), lines.join(u'\n'));
        return 0;
    }
    const QString joined = lines.join(u'\n');
    FUZZ_CHECK(script.size() == lines.size() + (restart ? 2 : 1), joined);
    FUZZ_CHECK(script.last() == QStringLiteral("rm -rf -- ") + ShellQuoted(folders.tempDir),
               joined);
    if (restart)
        FUZZ_CHECK(script[script.size() - 2] ==
                       ShellQuoted(folders.programFile) + QStringLiteral(" &"),
                   joined);

    // Group by group: the header as it is, the filled lines with the folders in literally.
    qsizetype tail = lines.size();
    for (qsizetype header = 0; header < lines.size(); header += 4) {
        if (lines[header].startsWith(u' ')) {
            tail = header;
            break;
        }
        FUZZ_CHECK(!lines[header].isEmpty() && header + 3 < lines.size(), joined);
        FUZZ_CHECK(script[header] == lines[header], joined);
        for (int k = 1; k <= 3; ++k) {
            const QString& line = lines[header + k];
            const QStringList values = k < 3 ? QStringList{folders.programDir}
                                             : QStringList{folders.tempDir, folders.programDir};
            FUZZ_CHECK(script[header + k] == FormatScriptLine(line, values), joined);
            if (!line.contains(u'%'))
                FUZZ_CHECK(script[header + k] == line, joined);
            if (line == QStringLiteral("%s"))
                FUZZ_CHECK(script[header + k] == ShellQuoted(values.first()), joined);
        }
    }
    for (qsizetype i = tail; i < lines.size(); ++i) {
        if (!lines[i].contains(u'%'))
            FUZZ_CHECK(script[i] == lines[i], joined);
        // Filling a line without quotes by hand: every "%s" the quoted folder, every "%%" one
        // percent sign.
        static const QRegularExpression shellSpecial(QStringLiteral("[\\\\'\"`$()]"));
        if (lines[i].contains(shellSpecial))
            continue;
        QString expected;
        for (qsizetype c = 0; c < lines[i].size(); ++c) {
            if (lines[i][c] == u'%' && c + 1 < lines[i].size() && lines[i][c + 1] == u's') {
                expected += ShellQuoted(folders.tempDir);
                ++c;
            } else if (lines[i][c] == u'%' && c + 1 < lines[i].size() && lines[i][c + 1] == u'%') {
                expected += u'%';
                ++c;
            } else {
                expected += lines[i][c];
            }
        }
        FUZZ_CHECK(script[i] == expected, joined);
    }

    // The script file reads back line for line.
    FUZZ_CHECK(TemplateLines(ScriptBytes(script)) == script, joined);
    return 0;
}
