#pragma once

#include "update/signature.h"
#include <QByteArray>
#include <QDateTime>

#include <QList>
#include <QString>
#include <QStringList>

// Update archives and signatures made by the tests themselves.

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    bool deflate = false;
};

// The release the tests offer their archives as: program "Zensoria", the file, and the date
// (newer than the program file of 8 August 2003 that the tests install over).
UpdateRelease TestRelease(const QString& file = QStringLiteral("Pultex.zip"),
                          const QString& date = QStringLiteral("09.08.2003"));

// A ZIP archive with the entries, built by libzip; empty when libzip refused.
QByteArray makeZip(const QList<ZipEntry>& entries);

// Content of some size for an entry, so that an archive arrives in many packets: the given
// number of lines, each a number of up to six digits.
QByteArray fillerLines(int lines);

// An Ed25519 key pair of the test's own, and detached signatures made with it.
struct KeyPair {
    KeyPair();
    QByteArray sign(const QByteArray& data) const;
    // The signature of the archive as the release, as the publisher signs it.
    QByteArray signRelease(const QByteArray& archive, const UpdateRelease& release) const;

    QByteArray publicKey;
    QByteArray secretKey;
};

// Writes a stand-in program file at path (a shell script line), with the given modification
// time when it is valid. Returns path, or an empty text when the file cannot be written.
QString WriteProgramFile(const QString& path, const QDateTime& modified = QDateTime());

// What someone else may have put at a name the update writes: a symbolic link to victim
// ("link"), a named pipe ("fifo"), or a file of their own ("file"). True when it was made.
bool PlantAt(const QString& path, const QString& kind, const QString& victim);
// The kinds PlantAt makes, for data rows.
QStringList PlantKinds();
