#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// The server's "Updates.ini", read from its bytes: sections "[name]" with "key=value" lines.
// Section and key names are compared without regard to case; the first section or key of a
// name wins. A header's name ends at its last "]". Blanks around names and values are
// removed; a value keeps any quotes it has, since "News" is a comma list with its own quoting.
// The bytes are read as UTF-8, or as Windows-1252 where they are not valid UTF-8. Lines that
// are neither a header nor an entry (a server's error page, for example) are ignored.
class UpdatesIni {
public:
    UpdatesIni() = default;
    static UpdatesIni parse(QByteArrayView bytes);
    // Reads the file; a file that cannot be read, is not a regular file (a link at its name is
    // not followed) or is longer than maxBytes gives an empty INI.
    static UpdatesIni read(const QString& fileName, qint64 maxBytes = 1024 * 1024);

    // The section exists with at least one entry.
    bool hasSection(const QString& section) const;
    bool contains(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& def) const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };
    const Section* find(const QString& section) const;

    QList<Section> sections_;
};
