#include "testfolders.h"

#include "platform/installedprograms.h"
#include "platform/programfolder.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>

TestFolders::TestFolders() {
    if (!root_.isValid())
        return;
    QDir dir(root_.path());
    dir.mkpath(QStringLiteral("program"));
    dir.mkpath(QStringLiteral("registry"));
    dir.mkpath(QStringLiteral("applications"));
    ProgramFolder::setPath(programFolder());
    Registry::setStorageFolder(registryFolder());
    DesktopEntry::setApplicationsFolder(applicationsFolder());
    // No package's entry unless a test puts one there.
    dir.mkpath(QStringLiteral("system/share/applications"));
    DesktopEntry::setSystemApplicationsFolders({file(QStringLiteral("system/share/applications"))});
}

TestFolders::~TestFolders() {
    if (tmpdirSet_) {
        for (const SavedVariable& variable : saved_) {
            if (variable.had)
                qputenv(variable.name, variable.value);
            else
                qunsetenv(variable.name);
        }
    }
    ProgramFolder::setPath(QString());
    Registry::setStorageFolder(QString());
    DesktopEntry::setApplicationsFolder(QString());
    DesktopEntry::setSystemApplicationsFolders({});
}

QString TestFolders::programFolder() const {
    return file(QStringLiteral("program"));
}

QString TestFolders::registryFolder() const {
    return file(QStringLiteral("registry"));
}

QString TestFolders::applicationsFolder() const {
    return file(QStringLiteral("applications"));
}

QString TestFolders::programFile(const QString& fileName) const {
    return QDir(programFolder()).filePath(fileName);
}

QString TestFolders::file(const QString& relativePath) const {
    return QDir(root_.path()).filePath(relativePath);
}

void TestFolders::keepTemporaryFilesInside() {
    if (!tmpdirSet_) {
        for (SavedVariable& variable : saved_) {
            variable.had = qEnvironmentVariableIsSet(variable.name);
            variable.value = qgetenv(variable.name);
        }
        tmpdirSet_ = true;
    }
    QDir(root_.path()).mkpath(QStringLiteral("tmp"));
    qputenv("TMPDIR", file(QStringLiteral("tmp")).toLocal8Bit());
    // The runtime folder must be private to the user, or it is not taken.
    QDir(root_.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(file(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", file(QStringLiteral("runtime")).toLocal8Bit());
}
