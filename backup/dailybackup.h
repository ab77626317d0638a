#pragma once

#include <QDate>
#include <QSet>
#include <QString>
#include <functional>

// Makes the day's copy of a data file before its first change of the day (BackupStore).
// A copy that cannot be made never stops the change: beforeChange() never throws. The
// failure is reported once per file through the given callback, and the copy is tried again
// before the next change, so a folder that becomes writable later still gets the day's copy.
class DailyBackup {
public:
    using Report = std::function<void(const QString& message)>;

    explicit DailyBackup(Report reportFailure);

    void beforeChange(const QString& dataFileName);

    // The status bar text of a failed copy.
    static QString failureMessage(const QString& reason);

private:
    Report reportFailure_;
    // The file whose copy of `day_` is known to exist; no look into the folder until tomorrow.
    QString doneFile_;
    QDate doneDay_;
    QSet<QString> reported_;
};
