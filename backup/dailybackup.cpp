#include "backup/dailybackup.h"

#include "backup/backupstore.h"
#include "platform/apperror.h"
#include "platform/programfolder.h"

DailyBackup::DailyBackup(Report reportFailure) : reportFailure_(std::move(reportFailure)) {}

QString DailyBackup::failureMessage(const QString& reason) {
    return QStringLiteral("Es konnte keine Sicherung angelegt werden: ") + reason;
}

void DailyBackup::beforeChange(const QString& dataFileName) {
    const QDate today = Clock::today();
    if (dataFileName == doneFile_ && today == doneDay_)
        return;
    try {
        BackupStore(dataFileName).backUpBeforeChange();
        doneFile_ = dataFileName;
        doneDay_ = today;
        reported_.remove(dataFileName);
    } catch (const std::exception& error) {
        if (reported_.contains(dataFileName))
            return;
        reported_.insert(dataFileName);
        const auto* appError = dynamic_cast<const AppError*>(&error);
        if (reportFailure_)
            reportFailure_(failureMessage(appError ? appError->message()
                                                   : QString::fromLocal8Bit(error.what())));
    }
}
