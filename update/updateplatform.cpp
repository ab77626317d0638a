#include "update/updateplatform.h"

#include "platform/privatefolder.h"
#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QProcess>
#include <QStorageInfo>

#ifndef ZENSORIA_UPDATE_HOST
#define ZENSORIA_UPDATE_HOST "updates.zensoria.invalid"
#endif
#ifndef ZENSORIA_UPDATE_PUBLIC_KEY
#define ZENSORIA_UPDATE_PUBLIC_KEY ""
#endif

namespace {

QString& hostOverride() {
    static QString host;
    return host;
}

std::optional<QByteArray>& keyOverride() {
    static std::optional<QByteArray> key;
    return key;
}

QString& tempOverride() {
    static QString folder;
    return folder;
}

std::optional<bool>& connectedOverride() {
    static std::optional<bool> connected;
    return connected;
}

} // namespace

namespace UpdatePlatform {

QString host() {
    if (!hostOverride().isEmpty())
        return hostOverride();
    return QStringLiteral(ZENSORIA_UPDATE_HOST);
}

void setHost(const QString& host) {
    hostOverride() = host;
}

std::optional<QByteArray> publicKeyFromHex(const QString& hex) {
    const QString text = hex.trimmed();
    if (text.size() != 64)
        return std::nullopt;
    for (QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

QByteArray publicKey() {
    if (keyOverride())
        return *keyOverride();
    return publicKeyFromHex(QStringLiteral(ZENSORIA_UPDATE_PUBLIC_KEY)).value_or(QByteArray());
}

void setPublicKeyHex(const QString& hex) {
    if (hex.isEmpty())
        keyOverride().reset();
    else
        keyOverride() = publicKeyFromHex(hex).value_or(QByteArray());
}

QString programFilePath() {
    return ProgramFolder::filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString workFolderBase() {
    return tempOverride().isEmpty() ? userPrivateFolder() : tempOverride();
}

void setWorkFolderBase(const QString& folder) {
    tempOverride() = folder;
}

bool internetConnected() {
    if (connectedOverride())
        return *connectedOverride();
    if (QNetworkInformation::loadDefaultBackend() && QNetworkInformation::instance()) {
        const auto reachability = QNetworkInformation::instance()->reachability();
        if (reachability != QNetworkInformation::Reachability::Unknown)
            return reachability != QNetworkInformation::Reachability::Disconnected;
    }
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

void setInternetConnected(std::optional<bool> connected) {
    connectedOverride() = connected;
}

bool updatableDrive(const QString& programFile) {
    if (!QFileInfo(programFile).isFile())
        return false;
    const QStorageInfo storage(QFileInfo(programFile).absolutePath());
    if (!storage.isValid())
        return false;
    const QByteArray type = storage.fileSystemType().toLower();
    return type != "iso9660" && type != "udf";
}

bool startScriptDetached(const QString& scriptPath) {
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({scriptPath});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace UpdatePlatform
