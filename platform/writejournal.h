#pragma once

#include <QByteArray>
#include <QString>

// The journal of a write into a file in place (where the file's folder takes no new files, or
// the file belongs to someone else): before the first byte of the file changes, its old and new
// contents are kept in a journal file in the user's own data folder
// (<data folder>/zensoria/Schreibjournal/, made with mode 0700). A write that ends, however it
// ends, removes its journal. A journal that is left means the write was cut off (killed, power
// gone): the next look at the file (recover) puts it back to a whole version.
//
// The journal belongs to the user who wrote: another user's cut-off write is not seen.
class WriteJournal {
public:
    // The journal of writes to target (the file that is written, links resolved).
    explicit WriteJournal(QString target);

    // Keeps old and new contents on the disk; false when that could not be done (then the
    // file must not be written in place).
    bool begin(const QByteArray& oldContents, const QByteArray& newContents);
    // The write ended (written whole, or the old contents put back): the journal goes.
    void end();

    // When a write of target was cut off, puts the new contents into the file in place as long
    // as the file still holds a mixture of the old and new contents (cut off while the bytes went
    // in, or with the new size reserved); a file that holds the old or new contents whole, or
    // that someone else changed since, is left as it is. The journal goes once the file is whole.
    void recover();

    // The folder of the journals; tests point it elsewhere (empty restores the user's folder).
    static QString folder();
    static void setFolder(const QString& folder);

private:
    QString target_;
    QString journalPath_;
};
