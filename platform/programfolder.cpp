#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString ProgramFolder::settingsFilePath() {
    const QString fileName = QStringLiteral("Settings.ini");
    const QFileInfo folder(path());
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (folder.isDir() && folder.isWritable() && (folder.permissions() & anyWrite))
        return filePath(fileName);
    const QDir config(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return config.filePath(QStringLiteral("zensoria/") + fileName);
}

QDate Clock::today() {
    return todayOverride().isValid() ? todayOverride() : QDate::currentDate();
}

void Clock::setToday(const QDate& date) {
    todayOverride() = date;
}
