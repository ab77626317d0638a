#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The installation script: the template "Update.bat" from the update archive filled in with
// the real folders, then the restart line and the line by which the script deletes itself.
//
// The template's lines form groups of four, optionally followed by a tail:
//  - a group's first line is its header, copied unchanged; it must not be empty, and a line
//    beginning with a blank in its place starts the tail instead;
//  - its second and third lines get at most one "%s", the program folder;
//  - its fourth line at most two: the temporary folder, then the program folder;
//  - every tail line gets at most one "%s", the temporary folder.
// In a filled-in line "%s" takes the next value and "%%" stands for one percent sign; fewer
// placeholders than values are fine, more are not, and no other percent sequence is allowed.
// A value goes in quoted for /bin/sh at its place in the line: as one word in single quotes
// outside quotes, with its quotes written '\'' inside '…', with $ ` " \ escaped inside "…";
// so a folder named "a $(rm x) `b` \"c\" 'd'" stays that one folder. A placeholder right after
// a backslash or inside a command substitution ($(…) or `…`, whose text the shell reads again)
// could not be quoted safely and breaks the rules.
// A template that breaks these rules raises AppError with a German message.

struct ScriptFolders {
    QString programDir;  // the program's folder, ending in "/"
    QString tempDir;     // the temporary folder, ending in "/"
    QString programFile; // the program's full path, started again by the restart line
};

// "Update.bat", the template's name in the archive and the script's name in the temporary
// folder.
extern const QString UpdateScriptName;

// One line with its placeholders filled in by values, in order, each quoted for its place.
QString FormatScriptLine(const QString& line, const QStringList& values);

// The script's lines: the filled-in template, with restart the line that starts the program
// again in the background, and last the line that removes the temporary folder (the update
// run's private working folder) with the script itself.
QStringList FillUpdateScript(const QStringList& templateLines, const ScriptFolders& folders,
                             bool restart);

// A text as one shell word in single quotes ('a'\''b' for a'b): nothing in it is special.
QString ShellQuoted(const QString& text);
// The text for a place inside '…' (each quote written '\'') and inside "…" ($ ` " \ escaped).
QString SingleQuotedText(const QString& text);
QString DoubleQuotedText(const QString& text);

// The template file's lines: UTF-8, or Windows-1252 where the bytes are not UTF-8; CR LF or
// LF line ends; a last line break adds no empty line.
QStringList TemplateLines(QByteArrayView bytes);
// The script file's contents: UTF-8, every line ended by LF (a CR would end up in every
// command of the shell).
QByteArray ScriptBytes(const QStringList& lines);
