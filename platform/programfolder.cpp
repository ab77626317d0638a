#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& folderOverride() {
    static QString folder;
    return folder;
}
QDate& todayOverride() {
    static QDate date;
    return date;
}
} // namespace

QString ProgramFolder::path() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void ProgramFolder::setPath(const QString& folder) {
    folderOverride() = folder;
}

QString ProgramFolder::filePath(const QString& fileName) {
    return QDir(path()).filePath(fileName);
}

QDate Clock::today() {
    return todayOverride().isValid() ? todayOverride() : QDate::currentDate();
}

void Clock::setToday(const QDate& date) {
    todayOverride() = date;
}
