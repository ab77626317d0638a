#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Whole files as bytes, for tests that compare what the program stored byte for byte.

// The file's bytes, or "<nicht lesbar>" when it cannot be opened, so that a missing file never
// passes for an empty one.
QByteArray readBytes(const QString& fileName);
// Makes bytes the whole content of the file; false when it could not be written in full.
[[nodiscard]] bool writeBytes(const QString& fileName, const QByteArray& bytes);

// The text of each page of a PDF file as pdftotext (poppler-utils) reads it; a single entry
// saying so when pdftotext could not be run.
QStringList pdfPages(const QString& fileName);

// Limits the size of files this process may write while it exists, so that every write of a
// file fails as on a full disk; the old limit is back afterwards.
class RefusedWrites {
public:
    RefusedWrites();
    ~RefusedWrites();
    RefusedWrites(const RefusedWrites&) = delete;
    RefusedWrites& operator=(const RefusedWrites&) = delete;

private:
    unsigned long long oldCurrent_ = 0;
    bool limited_ = false;
};
