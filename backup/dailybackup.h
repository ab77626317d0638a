#pragma once

#include <QDate>
#include <QSet>
#include <QString>
#include <functional>

// Makes the day's copy of a data file before its first change of the day (BackupStore).
// A copy that cannot be made never stops the change: beforeChange() never throws. The
// failure is reported once per file and session through the given callback, and the copy is
// tried again before the next change, so a folder that becomes writable later still gets the
// day's copy.
class DailyBackup {
public:
    // Called with the data file's name and the German text of what could not be done and why.
    using Report = std::function<void(const QString& dataFileName, const QString& reason)>;

    explicit DailyBackup(Report reportFailure);

    void beforeChange(const QString& dataFileName);
    // True when the next change of the file will first make a copy: the file exists and has
    // not had its day's turn yet (a file made today gets its first copy on a later day).
    bool copyDueBeforeNextChange(const QString& dataFileName) const;

    // The message box's caption and text for a failed copy of dataFileName.
    static QString failureCaption();
    static QString failureMessage(const QString& dataFileName, const QString& reason);

private:
    Report reportFailure_;
    // The file whose day's turn `doneDay_` has come (a copy made, or none needed); no look into
    // the folder until tomorrow.
    QString doneFile_;
    QDate doneDay_;
    QSet<QString> reported_;
};
