#include "backup/dailybackup.h"

#include "backup/backupstore.h"
#include "platform/apperror.h"
#include "platform/programfolder.h"

#include <QDir>
#include <QFileInfo>

DailyBackup::DailyBackup(Report reportFailure) : reportFailure_(std::move(reportFailure)) {}

QString DailyBackup::failureCaption() {
    return QStringLiteral("Keine Sicherung");
}

QString DailyBackup::failureMessage(const QString& dataFileName, const QString& reason) {
    return QStringLiteral("Es konnte keine Sicherung der Datei %1 angelegt werden.\r\n\r\n%2"
                          "\r\n\r\nIhre Änderungen werden trotzdem gespeichert. Vor jeder "
                          "weiteren Änderung wird die Sicherung erneut versucht; diese Meldung "
                          "erscheint für diese Datei aber nur einmal.")
        .arg(QDir::toNativeSeparators(dataFileName), reason);
}

bool DailyBackup::copyDueBeforeNextChange(const QString& dataFileName) const {
    const bool done = dataFileName == doneFile_ && Clock::today() == doneDay_;
    return !done && QFileInfo(dataFileName).isFile();
}

void DailyBackup::beforeChange(const QString& dataFileName) {
    const QDate today = Clock::today();
    if (dataFileName == doneFile_ && today == doneDay_)
        return;
    try {
        BackupStore(dataFileName).backUpBeforeChange();
        doneFile_ = dataFileName;
        doneDay_ = today;
    } catch (const std::exception& error) {
        if (reported_.contains(dataFileName))
            return;
        reported_.insert(dataFileName);
        const auto* appError = dynamic_cast<const AppError*>(&error);
        if (reportFailure_)
            reportFailure_(dataFileName,
                           appError ? appError->message() : QString::fromLocal8Bit(error.what()));
    }
}
